// Feeds arbitrary bytes to the native image reader as a file. Every input must
// load or be refused with a file error; a loaded image must save and load back
// with the same pixels.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "image/fits_io.h"
#include "image/image.h"
#include "platform/archive.h"
#include "platform/file_error.h"
#include "platform/messages.h"

// FITS content is another reader's business; here it is simply refused.
void LoadFitsImage(CImage&, const std::string& path) { throw CFileException(CFileException::generic, path); }
void SaveFitsImage(CImage&, CArchive& archive) {
    throw CFileException(CFileException::generic, archive.GetFilePath());
}
bool FitsExportAvailable() { return false; }

namespace {

std::string ScratchPath(const char* name) {
    const char* folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(folder) + "/qv-fuzz-" + std::to_string(getpid()) + "-" + name;
}

bool Load(const std::string& path, CImage& image) {
    try {
        CArchive archive(path, CArchive::load);
        image.Serialize(archive);
        return true;
    } catch (const CFileException&) {
        return false;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string input = ScratchPath("input.qv4");
    static const std::string output = ScratchPath("output.qv4");
    static const bool quiet = [] {
        SetMessageHandler([](const Message&) {});
        return true;
    }();
    (void)quiet;

    std::FILE* file = std::fopen(input.c_str(), "wb");
    if (!file) return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    CImage image;
    if (!Load(input, image)) return 0;
    if (image.pixels.size() != size_t(image.Width) * size_t(image.Height)) std::abort();

    try {
        CArchive archive(output, CArchive::store);
        image.Serialize(archive);
        archive.Commit();
    } catch (const CFileException&) {
        return 0;  // some loaded records cannot be stored (too wide, oversized header)
    }
    CImage again;
    if (!Load(output, again) || again.pixels != image.pixels) std::abort();
    return 0;
}
