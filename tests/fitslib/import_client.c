/* An outside caller of the import entry point, written in C against the
 * records as documented, without the library's header: the original
 * requests 1-4 with their fixed records, and the wide requests 5-8.
 * Usage: import_client FOLDER. Exit status 0 when every check holds. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

struct FITSPROBE {
    int16_t ok;
    int16_t rows;
    int16_t columns;
    int16_t headerTextSize;
};

struct FITSPROBEEX {
    int32_t ok;
    int32_t rows;
    int32_t columns;
    uint32_t headerTextSize;
    uint64_t extensionBytes;
};

struct FITSBUFFER {
    void* data;
    uint64_t capacity;
    uint64_t size;
};

extern uint16_t FITSImport(uint16_t request, const char* path, void* output);

enum { PROBE = 1, HEADERTEXT = 3, PIXELS = 4, PROBE_EX = 5, HEADERTEXT_EX = 6, PIXELS_EX = 7,
       EXTENSIONS = 8 };
enum { COLUMNS = 3, ROWS = 2, GUARD = 0xA5 };

static int failures = 0;

#define CHECK(condition)                                                      \
    do {                                                                      \
        if (!(condition)) {                                                   \
            fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, \
                    #condition);                                              \
            ++failures;                                                       \
        }                                                                     \
    } while (0)

static void put_card(FILE* file, const char* text) {
    char card[81];
    snprintf(card, sizeof card, "%-80s", text);
    fwrite(card, 1, 80, file);
}

static void pad(FILE* file, long bytes, char fill) {
    for (long rest = (2880 - bytes % 2880) % 2880; rest > 0; --rest)
        fputc(fill, file);
}

/* A 3 x 2 16-bit image with `history` HISTORY cards, optionally followed
 * by one small table extension. Returns the number of stored cards. */
static int write_image(const char* path, int history, int extension) {
    FILE* file = fopen(path, "wb");
    if (file == NULL) {
        perror(path);
        exit(2);
    }
    char text[81];
    put_card(file, "SIMPLE  =                    T");
    put_card(file, "BITPIX  =                   16");
    put_card(file, "NAXIS   =                    2");
    put_card(file, "NAXIS1  =                    3");
    put_card(file, "NAXIS2  =                    2");
    for (int i = 0; i < history; ++i) {
        snprintf(text, sizeof text, "HISTORY step %d", i);
        put_card(file, text);
    }
    put_card(file, "END");
    pad(file, 80L * (history + 6), ' ');
    for (int i = 0; i < COLUMNS * ROWS; ++i) {
        fputc(0, file);
        fputc(10 + i, file);
    }
    pad(file, 2L * COLUMNS * ROWS, '\0');
    if (extension) {
        put_card(file, "XTENSION= 'IMAGE   '");
        put_card(file, "BITPIX  =                    8");
        put_card(file, "NAXIS   =                    1");
        put_card(file, "NAXIS1  =                    4");
        put_card(file, "PCOUNT  =                    0");
        put_card(file, "GCOUNT  =                    1");
        put_card(file, "END");
        pad(file, 80L * 7, ' ');
        fputs("abcd", file);
        pad(file, 4, '\0');
    }
    fclose(file);
    return 5 + history;
}

static int untouched(const unsigned char* bytes, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (bytes[i] != GUARD)
            return 0;
    return 1;
}

/* The original requests on a 10-card header: exact sizes, as documented. */
static void original_requests(const char* path) {
    int cards = write_image(path, 5, 0);
    struct FITSPROBE probe;
    memset(&probe, 0, sizeof probe);
    CHECK(FITSImport(PROBE, path, &probe) == 0);
    CHECK(probe.ok == 1 && probe.rows == ROWS && probe.columns == COLUMNS);
    CHECK(probe.headerTextSize == 80 * cards + 1);

    char* text = malloc((size_t)probe.headerTextSize + 16);
    memset(text, GUARD, (size_t)probe.headerTextSize + 16);
    CHECK(FITSImport(HEADERTEXT, path, text) == 0);
    CHECK(text[probe.headerTextSize - 1] == '\0');
    CHECK(strncmp(text, "SIMPLE  =", 9) == 0);
    CHECK(strncmp(text + 80 * 5, "HISTORY step 0", 14) == 0);
    CHECK(untouched((unsigned char*)text, (size_t)probe.headerTextSize, (size_t)probe.headerTextSize + 16));
    free(text);

    uint16_t pixels[COLUMNS * ROWS + 4];
    memset(pixels, GUARD, sizeof pixels);
    CHECK(FITSImport(PIXELS, path, pixels) == 0);
    for (int i = 0; i < COLUMNS * ROWS; ++i)
        CHECK(pixels[i] == 10 + i);
    CHECK(untouched((unsigned char*)(pixels + COLUMNS * ROWS), 0, 8));
}

/* A 1,000-card header: the original probe and text request refuse it
 * (its size does not fit 16 bits) without writing; the wide forms deliver it. */
static void long_header(const char* path) {
    int cards = write_image(path, 995, 0);
    CHECK(cards == 1000);
    unsigned char guarded[sizeof(struct FITSPROBE) + 8];
    memset(guarded, GUARD, sizeof guarded);
    struct FITSPROBE* probe = (struct FITSPROBE*)guarded;
    CHECK(FITSImport(PROBE, path, probe) == 2);
    CHECK(probe->headerTextSize == (int16_t)0xA5A5 || probe->headerTextSize == 0);
    CHECK(probe->ok == 0);
    CHECK(untouched(guarded, sizeof(struct FITSPROBE), sizeof guarded));

    char* text = malloc(80 * 1000 + 1);
    memset(text, GUARD, 80 * 1000 + 1);
    CHECK(FITSImport(HEADERTEXT, path, text) == 2);
    CHECK(untouched((unsigned char*)text, 0, 80 * 1000 + 1));

    struct FITSPROBEEX wide;
    memset(&wide, 0, sizeof wide);
    CHECK(FITSImport(PROBE_EX, path, &wide) == 0);
    CHECK(wide.ok == 1 && wide.rows == ROWS && wide.columns == COLUMNS);
    CHECK(wide.headerTextSize == 80 * 1000 + 1);
    CHECK(wide.extensionBytes == 0);

    struct FITSBUFFER small = {text, wide.headerTextSize - 1, 0};
    memset(text, GUARD, 80 * 1000 + 1);
    CHECK(FITSImport(HEADERTEXT_EX, path, &small) == 2);
    CHECK(untouched((unsigned char*)text, 0, 80 * 1000 + 1));
    struct FITSBUFFER exact = {text, wide.headerTextSize, 0};
    CHECK(FITSImport(HEADERTEXT_EX, path, &exact) == 0);
    CHECK(exact.size == wide.headerTextSize);
    CHECK(strncmp(text + 80 * 999, "HISTORY step 994", 16) == 0);
    CHECK(text[80 * 1000] == '\0');
    free(text);

    uint16_t pixels[COLUMNS * ROWS];
    struct FITSBUFFER buffer = {pixels, sizeof pixels, 0};
    CHECK(FITSImport(PIXELS_EX, path, &buffer) == 0);
    CHECK(buffer.size == sizeof pixels && pixels[5] == 15);
}

/* The bytes after the primary image come back byte for byte. */
static void extensions(const char* path) {
    write_image(path, 0, 1);
    struct FITSPROBEEX wide;
    memset(&wide, 0, sizeof wide);
    CHECK(FITSImport(PROBE_EX, path, &wide) == 0);
    CHECK(wide.extensionBytes == 2 * 2880);
    unsigned char* bytes = malloc(2 * 2880 + 8);
    memset(bytes, GUARD, 2 * 2880 + 8);
    struct FITSBUFFER buffer = {bytes, wide.extensionBytes, 0};
    CHECK(FITSImport(EXTENSIONS, path, &buffer) == 0);
    CHECK(buffer.size == wide.extensionBytes);
    CHECK(memcmp(bytes, "XTENSION= 'IMAGE   '", 20) == 0);
    CHECK(memcmp(bytes + 2880, "abcd\0\0", 6) == 0);
    CHECK(untouched(bytes, 2 * 2880, 2 * 2880 + 8));
    free(bytes);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: import_client FOLDER\n");
        return 2;
    }
    char path[4096];
    snprintf(path, sizeof path, "%s/client-short.fits", argv[1]);
    original_requests(path);
    snprintf(path, sizeof path, "%s/client-long.fits", argv[1]);
    long_header(path);
    snprintf(path, sizeof path, "%s/client-ext.fits", argv[1]);
    extensions(path);
    if (failures == 0)
        printf("import client: all checks passed\n");
    return failures == 0 ? 0 : 1;
}
