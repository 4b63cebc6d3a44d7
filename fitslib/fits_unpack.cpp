// Packed data decoder. Every length and index in the file is checked before
// it is used: a hostile file ends in its error code, never outside a buffer.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include <sys/stat.h>

#include "fits_pack_format.h"
#include "orbex_internal.h"

namespace {

constexpr int kTableBits = 12;           // codes up to this length decode in one look-up
constexpr size_t kStreamSlack = 8;       // zero bytes after the stream for the 64-bit peek
enum LeafKind : uint8_t { kDirect, kEscape, kMinValue, kBroken };

struct LeafInfo {
    LeafKind kind = kBroken;
    bool negative = false;
    int32_t value = 0;   // the symbol of a direct leaf, the class size k of an escape
};

struct TableEntry {
    uint16_t node;       // leaf reached, or the inner node after kTableBits bits
    uint8_t length;
    uint8_t leaf;
};

}  // namespace

struct UNPACKSTATE {
    std::vector<uint32_t> words;
    std::vector<LeafInfo> leaves;        // per node, meaningful for leaves
    std::vector<TableEntry> table;
    uint8_t* stream = nullptr;
    uint64_t bitcount = 0;
    uint64_t position = 0;
    uint32_t previous = 0;
    bool trailing = false;  // bytes follow the stream in the file
    bool diff = false;
    int element = 0;
    ~UNPACKSTATE() { std::free(stream); }
};

namespace {

struct Reader {
    FILE* file;
    const char* name;
    bool word(uint32_t* out, int code) {
        uint8_t b[4];
        if (std::fread(b, 1, 4, file) != 4) {
            fits_error(code, name, nullptr);
            return false;
        }
        *out = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
        return true;
    }
    // Bytes left in the file, or the largest value when it cannot be told.
    uint64_t remaining() const {
        struct stat info{};
        const long at = std::ftell(file);
        if (at < 0 || ::fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) {
            return std::numeric_limits<uint64_t>::max();
        }
        return info.st_size > at ? static_cast<uint64_t>(info.st_size - at) : 0;
    }
};

bool is_leaf(uint32_t word) { return (word & PACK_LEAF_BIT) != 0; }

LeafInfo describe_leaf(uint32_t word) {
    LeafInfo info;
    const int symbol = pack_symbol(word);
    if ((word & PACK_DIRECT_BIT) != 0) {
        info.kind = kDirect;
        info.value = symbol;
        return info;
    }
    info.negative = symbol < 0;
    info.value = symbol < 0 ? -symbol : symbol;
    info.kind = info.negative && info.value == PACK_MINVALUE_CLASS ? kMinValue : kEscape;
    // Classes above 32 carry no values; a filler leaf may name 33 but is never reached.
    if (info.value > PACK_MINVALUE_CLASS) info.kind = kBroken;
    return info;
}

// Height of the subtree under `node`, or -1 when it leaves the node array,
// loops back, or holds a leaf deeper than the longest code.
int subtree_height(const std::vector<uint32_t>& words, std::vector<int8_t>& height, uint32_t node,
                   int depth) {
    if (node >= words.size() || depth > PACK_MAX_CODE_BITS) return -1;
    if (height[node] >= 0) return depth + height[node] > PACK_MAX_CODE_BITS ? -1 : height[node];
    if (height[node] == -2) return -1;  // on the current path: a loop
    const uint32_t word = words[node];
    if (is_leaf(word)) {
        const int symbol = pack_symbol(word);
        const bool escape = (word & PACK_DIRECT_BIT) == 0;
        if (escape && (symbol < -PACK_MINVALUE_CLASS || symbol > PACK_FILLER_CLASS_LIMIT)) return -1;
        height[node] = 0;
        return 0;
    }
    height[node] = -2;
    const int left = subtree_height(words, height, pack_left(word), depth + 1);
    const int right = left < 0 ? -1 : subtree_height(words, height, pack_right(word), depth + 1);
    if (right < 0) return -1;
    height[node] = static_cast<int8_t>(1 + std::max(left, right));
    return height[node];
}

bool check_tree(const std::vector<uint32_t>& words) {
    if (words.empty()) return false;
    std::vector<int8_t> height(words.size(), -1);
    return subtree_height(words, height, 0, 0) >= 0;
}

void build_table(UNPACKSTATE* s) {
    s->leaves.resize(s->words.size());
    for (size_t i = 0; i < s->words.size(); ++i) {
        if (is_leaf(s->words[i])) s->leaves[i] = describe_leaf(s->words[i]);
    }
    s->table.resize(size_t{1} << kTableBits);
    for (uint32_t bits = 0; bits < s->table.size(); ++bits) {
        uint32_t node = 0;
        int used = 0;
        while (!is_leaf(s->words[node]) && used < kTableBits) {
            const bool right = (bits >> (kTableBits - 1 - used) & 1u) != 0;
            node = right ? pack_right(s->words[node]) : pack_left(s->words[node]);
            ++used;
        }
        s->table[bits] = {static_cast<uint16_t>(node), static_cast<uint8_t>(used),
                          static_cast<uint8_t>(is_leaf(s->words[node]))};
    }
}

bool read_tree(Reader& in, UNPACKSTATE* s, FITSHEADER* hdr) {
    uint32_t count = 0;
    if (!in.word(&count, 55)) return false;
    const uint64_t bytes = uint64_t{count} * 4;
    if (bytes > in.remaining()) {
        fits_error(57, hdr->name, nullptr);
        return false;
    }
    try {
        s->words.resize(count);
    } catch (const std::bad_alloc&) {
        fits_error_bytes(56, hdr->name, bytes);
        return false;
    }
    uint32_t sum = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (!in.word(&s->words[i], 57)) return false;
        sum += s->words[i];
    }
    uint32_t stored = 0;
    if (!in.word(&stored, 58)) return false;
    hdr->treesum = stored;
    if (!pack_checksum_ok(stored, sum)) {
        fits_error(59, hdr->name, nullptr);
        return false;
    }
    if (count > static_cast<uint32_t>(PACK_MAX_NODES) + 1 || !check_tree(s->words)) {
        fits_error(60, hdr->name, nullptr);
        return false;
    }
    build_table(s);
    return true;
}

bool read_stream(Reader& in, UNPACKSTATE* s, FITSHEADER* hdr) {
    uint32_t length = 0;
    if (!in.word(&length, 61)) return false;
    const uint64_t usable = length / 4 * 4;
    const uint64_t whole = usable / PACK_STREAM_PIECE * PACK_STREAM_PIECE;
    const uint64_t left = in.remaining();
    if (usable > left) {
        fits_error(left < whole ? 63 : 64, hdr->name, nullptr);
        return false;
    }
    s->stream = static_cast<uint8_t*>(std::calloc(usable + kStreamSlack, 1));
    if (s->stream == nullptr) {
        fits_error_bytes(62, hdr->name, length);
        return false;
    }
    for (uint64_t offset = 0; offset < usable;) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(PACK_STREAM_PIECE, usable - offset));
        if (std::fread(s->stream + offset, 1, piece, in.file) != piece) {
            fits_error(offset < whole ? 63 : 64, hdr->name, nullptr);
            return false;
        }
        offset += piece;
    }
    s->bitcount = usable * 8;
    s->trailing = length % 4 != 0 || in.remaining() != 0;
    return true;
}

// The next up to 32 stream bits from the current position, most significant first.
inline uint32_t peek(const UNPACKSTATE* s, int count) {
    uint64_t chunk;
    std::memcpy(&chunk, s->stream + (s->position >> 3), sizeof chunk);
    chunk = __builtin_bswap64(chunk) << (s->position & 7);
    return static_cast<uint32_t>(chunk >> (64 - count));
}

// Walks the tree for one symbol; returns the leaf node or -1 when the stream ends.
inline int decode_leaf(UNPACKSTATE* s) {
    const uint64_t left = s->bitcount - s->position;
    const TableEntry& entry = s->table[peek(s, kTableBits)];
    if (entry.length > left) return -1;
    s->position += entry.length;
    uint32_t node = entry.node;
    while (!entry.leaf && !is_leaf(s->words[node])) {
        if (s->position >= s->bitcount) return -1;
        const bool right = peek(s, 1) != 0;
        ++s->position;
        node = right ? pack_right(s->words[node]) : pack_left(s->words[node]);
    }
    return static_cast<int>(node);
}

inline bool decode_quantity(UNPACKSTATE* s, uint32_t* q) {
    const int node = decode_leaf(s);
    if (node < 0) return false;
    const LeafInfo& leaf = s->leaves[static_cast<size_t>(node)];
    if (leaf.kind == kDirect) {
        *q = static_cast<uint32_t>(leaf.value);
        return true;
    }
    if (leaf.kind == kMinValue && s->element == 4) {
        *q = static_cast<uint32_t>(std::numeric_limits<int32_t>::min());
        return true;
    }
    if (leaf.kind == kBroken) return false;
    const int k = leaf.value;
    if (static_cast<uint64_t>(k) > s->bitcount - s->position) return false;
    const uint32_t magnitude = k == 0 ? 0 : peek(s, k);
    s->position += static_cast<uint64_t>(k);
    *q = leaf.negative ? 0u - magnitude : magnitude;
    return true;
}

}  // namespace

UNPACKSTATE* unpack_open(FILE* file, int element, FITSHEADER* hdr) {
    Reader in{file, hdr->name};
    uint32_t type = 0;
    if (!in.word(&type, 53)) return nullptr;
    hdr->packtype = static_cast<int32_t>(type);
    const uint32_t mode = type & PACK_TYPE_MASK;
    if (mode != PACK_TYPE_DIRECT && mode != PACK_TYPE_DIFF) {
        fits_error(54, hdr->name, nullptr);
        return nullptr;
    }
    auto* state = new (std::nothrow) UNPACKSTATE;
    if (state == nullptr) {
        fits_error(56, hdr->name, nullptr);
        return nullptr;
    }
    state->diff = mode == PACK_TYPE_DIFF;
    state->element = element;
    if (!read_tree(in, state, hdr) || !read_stream(in, state, hdr)) {
        delete state;
        return nullptr;
    }
    return state;
}

bool unpack_row(UNPACKSTATE* s, void* dst, uint64_t count) {
    auto* out = static_cast<uint8_t*>(dst);
    for (uint64_t i = 0; i < count; ++i) {
        uint32_t q = 0;
        if (!decode_quantity(s, &q)) return false;
        const uint32_t value = s->diff ? s->previous - q : q;
        s->previous = value;
        switch (s->element) {
        case 1: out[i] = static_cast<uint8_t>(value); break;
        case 2: {
            const auto v = static_cast<uint16_t>(value);
            std::memcpy(out + i * 2, &v, 2);
            break;
        }
        default: std::memcpy(out + i * 4, &value, 4); break;
        }
    }
    return true;
}

bool unpack_done(const UNPACKSTATE* s) {
    return !s->trailing && s->bitcount - s->position < 32;
}

void unpack_close(UNPACKSTATE* state) {
    delete state;
}
