#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "native_file_builder.h"

namespace {

using qvtest::HeaderBlock;
using qvtest::HeaderLines;
using qvtest::ReadBytes;
using qvtest::WriteBytes;

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

RunResult RunCli(const qvtest::TempDir& dir, const std::vector<std::string>& args) {
    std::string command = Quoted(QV_CLI_PATH);
    for (const std::string& arg : args) command += " " + Quoted(arg);
    std::string outPath = dir.File("stdout.txt");
    std::string errPath = dir.File("stderr.txt");
    command += " >" + Quoted(outPath) + " 2>" + Quoted(errPath);
    int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadBytes(outPath);
    result.err = ReadBytes(errPath);
    std::filesystem::remove(outPath);
    std::filesystem::remove(errPath);
    return result;
}

size_t CountLines(const std::string& text) { return size_t(std::count(text.begin(), text.end(), '\n')); }

size_t FilesIn(const std::string& folder) {
    return size_t(std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

std::string SmallImage(const qvtest::TempDir& dir, const std::vector<std::string>& lines, const std::string& data) {
    std::string path = dir.File("small.qv4");
    WriteBytes(path, HeaderBlock(lines) + data);
    return path;
}

// Malformed command lines exit with 2 and say what is wrong.
TEST(Cli, UsageErrorsExitTwo) {
    qvtest::TempDir dir;
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"info"},
        {"info", "a", "b"},
        {"info", QV_SAMPLE_PATH, "--jsn"},
        {"dump", QV_SAMPLE_PATH},
        {"convert", QV_SAMPLE_PATH, dir.File("x.qv4"), "--to", "bmp"},
        {"convert", QV_SAMPLE_PATH, dir.File("x.qv4"), "--to"},
    };
    for (const auto& args : cases) {
        RunResult result = RunCli(dir, args);
        std::string shown = args.empty() ? "(none)" : args[0];
        EXPECT_EQ(result.exitCode, 2) << shown << " " << result.err;
        EXPECT_FALSE(result.err.empty()) << shown;
    }
    EXPECT_EQ(RunCli(dir, {"--help"}).exitCode, 0);
}

// info --json names every record field once, with the bundled sample's values.
TEST(Cli, InfoJsonHoldsEveryField) {
    qvtest::TempDir dir;
    RunResult result = RunCli(dir, {"info", QV_SAMPLE_PATH, "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const char* keys[] = {"cameraName", "cameraIndex", "fileType", "imageKind", "Focal_length", "Aperture",
                          "Response_factor", "Exposure", "Track_time", "Note", "Date", "Time", "Temperature",
                          "Number_exposures", "Each_exposure", "History", "Observer", "Exposure_state",
                          "X_pixel_size", "Y_pixel_size", "Pedestal", "E_gain", "Height", "Width", "Filter",
                          "Readout_mode", "User_1", "User_2", "User_3", "User_4", "Sat_level", "File_version",
                          "Data_version", "back", "range", "smooth", "autoContrast", "invert", "zoom", "fitsRecords"};
    for (const char* key : keys) {
        std::string quoted = std::string("\"") + key + "\": ";
        size_t at = result.out.find(quoted);
        ASSERT_NE(at, std::string::npos) << key;
        EXPECT_EQ(result.out.find(quoted, at + 1), std::string::npos) << key << " appears twice";
    }
    for (const char* expected : {"\"cameraName\": \"QV-4\"", "\"cameraIndex\": 6", "\"Width\": 765",
                                 "\"Height\": 510", "\"fileType\": 0", "\"fitsRecords\": \"\"", "\"zoom\": 2"})
        EXPECT_NE(result.out.find(expected), std::string::npos) << expected;
}

// Header texts with quotes, control characters and non-UTF-8 bytes still give valid JSON.
TEST(Cli, InfoJsonEscapesHostileText) {
    qvtest::TempDir dir;
    std::vector<std::string> lines = HeaderLines(3, "QV-4 Image", 2, 1);
    lines[7] = "Note = say \"hi\" \\ \x01\t\xE9t\xC3\xA9";
    std::string path = SmallImage(dir, lines, qvtest::RawPixels({1, 2}));
    RunResult result = RunCli(dir, {"info", path, "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The stray byte 0xE9 is taken as Latin-1 "e acute" and written as UTF-8.
    EXPECT_NE(result.out.find(R"("Note": "say \"hi\" \\ \u0001\t)" "\xC3\xA9t\xC3\xA9\""), std::string::npos)
        << result.out;
}

// A refused input exits with 1 and one stderr line carrying the program's message.
TEST(Cli, RefusedInputGivesOneLineMessage) {
    qvtest::TempDir dir;
    std::string path = SmallImage(dir, HeaderLines(3, "Mystery", 2, 1), qvtest::RawPixels({1, 2}));
    RunResult result = RunCli(dir, {"info", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(CountLines(result.err), 1u) << result.err;
    EXPECT_NE(result.err.find("Image is from a Camera not supported by this version of Quorvane. Please check"),
              std::string::npos)
        << result.err;

    result = RunCli(dir, {"dump", dir.File("missing.qv4"), dir.File("out.raw")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(CountLines(result.err), 1u) << result.err;
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.raw")));
}

// A header number with trailing characters is refused with a line naming
// the file, the key and the value.
TEST(Cli, HeaderNumberWithTrailingCharactersNamesFileAndKey) {
    qvtest::TempDir dir;
    std::vector<std::string> lines = HeaderLines(3, "QV-4 Image", 2, 1);
    for (std::string& line : lines)
        if (line.rfind("Width", 0) == 0) line = "Width = 0x2FD";
    std::string path = SmallImage(dir, lines, qvtest::RawPixels({1, 2}));
    RunResult result = RunCli(dir, {"info", path});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(CountLines(result.err), 1u) << result.err;
    EXPECT_NE(result.err.find(path + ": "), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("Width has the value \"0x2FD\", which is not a number"), std::string::npos)
        << result.err;
}

// dump writes the pixels little-endian, top row first.
TEST(Cli, DumpWritesLittleEndianRows) {
    qvtest::TempDir dir;
    std::vector<uint16_t> pixels = qvtest::TestPixels(3, 2);
    std::string path = SmallImage(dir, HeaderLines(3, "QV-4 Image", 3, 2), qvtest::RawPixels(pixels));
    RunResult result = RunCli(dir, {"dump", path, dir.File("out.raw")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadBytes(dir.File("out.raw")), qvtest::RawPixels(pixels));
}

// convert of a native file writes the compressed form; the bundled sample comes back byte for byte.
TEST(Cli, ConvertRoundTrip) {
    qvtest::TempDir dir;
    RunResult result = RunCli(dir, {"convert", QV_SAMPLE_PATH, dir.File("copy.qv4")});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(ReadBytes(dir.File("copy.qv4")), ReadBytes(QV_SAMPLE_PATH));

    std::vector<uint16_t> pixels = qvtest::TestPixels(5, 4);
    std::string path = SmallImage(dir, HeaderLines(2, "QV-5 Image", 5, 4), qvtest::RawPixels(pixels));
    ASSERT_EQ(RunCli(dir, {"convert", path, dir.File("v3.qv4"), "--to", "native"}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir.File("v3.qv4")).substr(0, 26), "QV-5 Compressed Image\n\rFil");
    ASSERT_EQ(RunCli(dir, {"dump", dir.File("v3.qv4"), dir.File("v3.raw")}).exitCode, 0);
    EXPECT_EQ(ReadBytes(dir.File("v3.raw")), qvtest::RawPixels(pixels));
}

// An output that cannot be written leaves an existing file as it was and nothing beside it.
TEST(Cli, FailedOutputLeavesExistingFile) {
    qvtest::TempDir dir;
    std::vector<std::string> lines = HeaderLines(3, "QV-4 Image", 2, 1);
    for (const char* key : {"Focal_length", "Aperture", "Response_factor", "Temperature", "E_gain"}) {
        for (std::string& line : lines) {
            if (line.rfind(key, 0) == 0) line = std::string(key) + " = 1.7e308";
        }
    }
    std::string path = SmallImage(dir, lines, qvtest::RawPixels({1, 2}));
    std::string existing = dir.File("existing.qv4");
    WriteBytes(existing, "precious");
    size_t filesBefore = FilesIn(std::filesystem::path(existing).parent_path().string());

    RunResult result = RunCli(dir, {"convert", path, existing});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(CountLines(result.err), 1u) << result.err;
    EXPECT_NE(result.err.find("2048-byte header"), std::string::npos) << result.err;
    EXPECT_EQ(ReadBytes(existing), "precious");

    result = RunCli(dir, {"dump", dir.File("missing.qv4"), existing});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(ReadBytes(existing), "precious");
    EXPECT_EQ(FilesIn(std::filesystem::path(existing).parent_path().string()), filesBefore);

    result = RunCli(dir, {"dump", path, dir.File("no-such-folder/out.raw")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(CountLines(result.err), 1u) << result.err;
}

// dump and render write "-" to standard output; a device target stays a device.
TEST(Cli, OutputsToStandardOutputAndDevices) {
    qvtest::TempDir dir;
    std::vector<uint16_t> pixels = qvtest::TestPixels(3, 2);
    std::string path = SmallImage(dir, HeaderLines(3, "QV-4 Image", 3, 2), qvtest::RawPixels(pixels));
    RunResult result = RunCli(dir, {"dump", path, "-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, qvtest::RawPixels(pixels));
    result = RunCli(dir, {"render", path, "-"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.substr(1, 3), "PNG") << "the summary line goes to stderr";
    EXPECT_NE(result.err.find("3 x 2"), std::string::npos) << result.err;
    if (::geteuid() == 0) {
        std::string device = dir.File("null");
        ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 3)), 0);
        for (const char* command : {"dump", "render"}) {
            ASSERT_EQ(RunCli(dir, {command, path, device}).exitCode, 0) << command;
            struct stat info {};
            ::lstat(device.c_str(), &info);
            EXPECT_TRUE(S_ISCHR(info.st_mode)) << command << " replaced the device";
        }
    }
}

// Inputs that are not image files are refused at once, naming the file and why.
TEST(Cli, InputsThatAreNotFilesAreRefusedAtOnce) {
    qvtest::TempDir dir;
    std::string fifo = dir.File("pipe.fits");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    RunResult result = RunCli(dir, {"info", fifo});  // would block for ever if opened for waiting
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find(fifo), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("not a regular file"), std::string::npos) << result.err;
    result = RunCli(dir, {"info", dir.File("")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("it is a folder"), std::string::npos) << result.err;
}

}  // namespace
