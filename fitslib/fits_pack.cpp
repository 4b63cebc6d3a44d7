// Packed data encoder: a Huffman code built per image over the commonest
// values (or differences) plus escape classes for the rest.

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>
#include <queue>
#include <vector>

#include "fits_pack_format.h"
#include "orbex_internal.h"

namespace {

constexpr int32_t kMinValue = std::numeric_limits<int32_t>::min();

// Leaf identities: direct symbols are their value; escape classes are
// numbered after them, positive classes first.
struct Leaf {
    bool direct;
    int symbol;        // value for a direct leaf, +-k for an escape class
    bool negative;     // escape class sign (the class +0 is positive)
    uint64_t count;
};

struct Node {
    uint64_t count;
    int left = -1, right = -1;  // -1 for leaves
    int leaf = -1;
};

struct Code {
    uint32_t bits = 0;
    uint8_t length = 0;
};

struct Pass {
    std::vector<Leaf> leaves;
    std::vector<Node> nodes;     // leaves first, then merged nodes; the last is the root
    std::vector<Code> codes;     // per leaf
    uint64_t totalbits = 0;
    int error = 0;
};

template <typename T>
int32_t pixel(const void* pixels, uint64_t i) {
    T value;
    std::memcpy(&value, static_cast<const uint8_t*>(pixels) + i * sizeof(T), sizeof(T));
    return static_cast<int32_t>(value);
}

struct Counts {
    std::vector<uint64_t> direct = std::vector<uint64_t>(PACK_DIRECT_SYMBOLS, 0);
    std::array<uint64_t, PACK_CLASSES> positive{};
    std::array<uint64_t, PACK_CLASSES> negative{};
};

inline uint32_t magnitude(int32_t q) {
    return q < 0 ? 0u - static_cast<uint32_t>(q) : static_cast<uint32_t>(q);
}

void count_escape(Counts& counts, int32_t q, uint64_t n) {
    const int k = pack_bitlength(magnitude(q));
    (q < 0 ? counts.negative : counts.positive)[k] += n;
}

template <typename T>
void count_values(const void* pixels, uint64_t total, bool diff, Counts& counts) {
    uint32_t previous = 0;
    for (uint64_t i = 0; i < total; ++i) {
        const int32_t value = pixel<T>(pixels, i);
        const int32_t q = diff ? static_cast<int32_t>(previous - static_cast<uint32_t>(value)) : value;
        previous = static_cast<uint32_t>(value);
        if (q == kMinValue) {
            ++counts.negative[PACK_MINVALUE_CLASS];
        } else if (q >= -PACK_DIRECT_LIMIT && q <= PACK_DIRECT_LIMIT) {
            ++counts.direct[static_cast<size_t>(q + PACK_DIRECT_LIMIT)];
        } else {
            count_escape(counts, q, 1);
        }
    }
}

// The commonest values get their own leaves until 99.5 % of the pixels are
// covered; the rest share escape classes.
std::vector<int> choose_direct(const Counts& counts, uint64_t total) {
    uint64_t covered = 0;
    for (int k = 0; k < PACK_CLASSES; ++k) covered += counts.positive[k] + counts.negative[k];
    const auto target = static_cast<uint64_t>(PACK_DIRECT_SHARE * static_cast<double>(total));
    std::vector<int> chosen;
    if (covered >= target) return chosen;
    std::vector<int> order(PACK_DIRECT_SYMBOLS);
    for (int i = 0; i < PACK_DIRECT_SYMBOLS; ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return counts.direct[a] > counts.direct[b]; });
    for (int index : order) {
        const uint64_t n = counts.direct[index];
        chosen.push_back(index);
        covered += n;
        if (covered >= target || n < PACK_RARE_COUNT ||
            static_cast<int>(chosen.size()) >= PACK_MAX_DIRECT_LEAVES) {
            break;
        }
    }
    return chosen;
}

void make_leaves(Counts& counts, const std::vector<int>& chosen, Pass& pass) {
    std::vector<bool> taken(PACK_DIRECT_SYMBOLS, false);
    for (int index : chosen) {
        taken[index] = true;
        pass.leaves.push_back({true, index - PACK_DIRECT_LIMIT, false, counts.direct[index]});
    }
    for (int index = 0; index < PACK_DIRECT_SYMBOLS; ++index) {
        if (!taken[index] && counts.direct[index] != 0) {
            count_escape(counts, index - PACK_DIRECT_LIMIT, counts.direct[index]);
        }
    }
    for (int k = 0; k < PACK_CLASSES; ++k) {
        if (counts.positive[k] != 0) pass.leaves.push_back({false, k, false, counts.positive[k]});
        if (counts.negative[k] != 0) pass.leaves.push_back({false, -k, true, counts.negative[k]});
    }
    while (pass.leaves.size() < 2) {
        const int filler = PACK_MINVALUE_CLASS + static_cast<int>(pass.leaves.size());
        pass.leaves.push_back({false, filler, false, 0});
    }
}

void build_tree(Pass& pass) {
    using Entry = std::pair<uint64_t, int>;  // count, node; ties go to the older node
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> queue;
    for (size_t i = 0; i < pass.leaves.size(); ++i) {
        pass.nodes.push_back({pass.leaves[i].count, -1, -1, static_cast<int>(i)});
        queue.push({pass.leaves[i].count, static_cast<int>(i)});
    }
    while (queue.size() > 1) {
        const Entry a = queue.top();
        queue.pop();
        const Entry b = queue.top();
        queue.pop();
        pass.nodes.push_back({a.first + b.first, a.second, b.second, -1});
        queue.push({a.first + b.first, static_cast<int>(pass.nodes.size() - 1)});
    }
}

bool assign_codes(Pass& pass) {
    pass.codes.assign(pass.leaves.size(), Code{});
    struct Visit {
        int node;
        uint32_t bits;
        int depth;
    };
    std::vector<Visit> stack{{static_cast<int>(pass.nodes.size() - 1), 0, 0}};
    while (!stack.empty()) {
        const Visit v = stack.back();
        stack.pop_back();
        const Node& node = pass.nodes[v.node];
        if (node.leaf >= 0) {
            if (v.depth > PACK_MAX_CODE_BITS) return false;
            pass.codes[node.leaf] = {v.bits, static_cast<uint8_t>(v.depth)};
            continue;
        }
        if (v.depth >= PACK_MAX_CODE_BITS) return false;
        stack.push_back({node.right, v.bits << 1 | 1u, v.depth + 1});
        stack.push_back({node.left, v.bits << 1, v.depth + 1});
    }
    return true;
}

uint64_t bit_total(const Pass& pass) {
    uint64_t bits = 0;
    for (size_t i = 0; i < pass.leaves.size(); ++i) {
        const Leaf& leaf = pass.leaves[i];
        uint64_t per = pass.codes[i].length;
        if (!leaf.direct && !(leaf.negative && leaf.symbol == -PACK_MINVALUE_CLASS)) {
            per += static_cast<uint64_t>(leaf.negative ? -leaf.symbol : leaf.symbol);
        }
        bits += leaf.count * per;
    }
    return bits;
}

template <typename T>
Pass run_pass(const void* pixels, uint64_t total, bool diff) {
    Pass pass;
    Counts counts;
    count_values<T>(pixels, total, diff, counts);
    make_leaves(counts, choose_direct(counts, total), pass);
    build_tree(pass);
    if (!assign_codes(pass)) {
        pass.error = 85;
        return pass;
    }
    pass.totalbits = bit_total(pass);
    return pass;
}

// Node words in pre-order: a node, its left subtree, its right subtree.
std::vector<uint32_t> serialise(const Pass& pass) {
    std::vector<uint32_t> words;
    words.reserve(pass.nodes.size());
    struct Pending {
        int node;
        size_t parent;   // index of the parent's word, or SIZE_MAX
        bool right;
    };
    std::vector<Pending> stack{{static_cast<int>(pass.nodes.size() - 1), SIZE_MAX, false}};
    while (!stack.empty()) {
        const Pending p = stack.back();
        stack.pop_back();
        const uint32_t index = static_cast<uint32_t>(words.size());
        if (p.parent != SIZE_MAX) {
            words[p.parent] |= p.right ? index << PACK_RIGHT_SHIFT : index << PACK_LEFT_SHIFT;
        }
        const Node& node = pass.nodes[p.node];
        if (node.leaf >= 0) {
            const Leaf& leaf = pass.leaves[node.leaf];
            words.push_back(pack_leafword(leaf.symbol, leaf.direct));
            continue;
        }
        words.push_back(pack_innerword(0, 0));
        stack.push_back({node.right, index, true});
        stack.push_back({node.left, index, false});
    }
    return words;
}

class BitWriter {
public:
    explicit BitWriter(uint8_t* out) : out_(out) {}
    void put(uint32_t value, int count) {
        acc_ = acc_ << count | value;
        pending_ += count;
        bits_ += static_cast<uint64_t>(count);
        if (pending_ >= 32) {
            pending_ -= 32;
            const uint32_t word = static_cast<uint32_t>(acc_ >> pending_);
            out_[0] = static_cast<uint8_t>(word >> 24);
            out_[1] = static_cast<uint8_t>(word >> 16);
            out_[2] = static_cast<uint8_t>(word >> 8);
            out_[3] = static_cast<uint8_t>(word);
            out_ += 4;
        }
    }
    void finish() {
        if (pending_ > 0) put(0, 32 - pending_);
    }
    uint64_t bits() const { return bits_; }

private:
    uint8_t* out_;
    uint64_t acc_ = 0;
    int pending_ = 0;
    uint64_t bits_ = 0;
};

struct Lookup {
    std::vector<Code> direct = std::vector<Code>(PACK_DIRECT_SYMBOLS);
    std::array<Code, PACK_CLASSES + 1> positive{};
    std::array<Code, PACK_CLASSES + 1> negative{};
};

Lookup make_lookup(const Pass& pass) {
    Lookup lookup;
    for (size_t i = 0; i < pass.leaves.size(); ++i) {
        const Leaf& leaf = pass.leaves[i];
        if (leaf.direct) {
            lookup.direct[static_cast<size_t>(leaf.symbol + PACK_DIRECT_LIMIT)] = pass.codes[i];
        } else if (leaf.negative) {
            lookup.negative[static_cast<size_t>(-leaf.symbol)] = pass.codes[i];
        } else {
            lookup.positive[static_cast<size_t>(leaf.symbol)] = pass.codes[i];
        }
    }
    return lookup;
}

template <typename T>
uint64_t encode(const void* pixels, uint64_t total, bool diff, const Lookup& lookup, uint8_t* stream) {
    BitWriter writer(stream);
    uint32_t previous = 0;
    for (uint64_t i = 0; i < total; ++i) {
        const int32_t value = pixel<T>(pixels, i);
        const int32_t q = diff ? static_cast<int32_t>(previous - static_cast<uint32_t>(value)) : value;
        previous = static_cast<uint32_t>(value);
        if (q == kMinValue) {
            const Code& code = lookup.negative[PACK_MINVALUE_CLASS];
            writer.put(code.bits, code.length);
            continue;
        }
        if (q >= -PACK_DIRECT_LIMIT && q <= PACK_DIRECT_LIMIT) {
            const Code& code = lookup.direct[static_cast<size_t>(q + PACK_DIRECT_LIMIT)];
            if (code.length != 0) {
                writer.put(code.bits, code.length);
                continue;
            }
        }
        const uint32_t m = magnitude(q);
        const int k = pack_bitlength(m);
        const Code& code = (q < 0 ? lookup.negative : lookup.positive)[static_cast<size_t>(k)];
        writer.put(code.bits, code.length);
        if (k > 0) writer.put(m, k);
    }
    const uint64_t bits = writer.bits();
    writer.finish();
    return bits;
}

struct WordWriter {
    FILE* file;
    const char* name;
    bool put(uint32_t word, int error_code) {
        const uint8_t bytes[4] = {static_cast<uint8_t>(word >> 24), static_cast<uint8_t>(word >> 16),
                                  static_cast<uint8_t>(word >> 8), static_cast<uint8_t>(word)};
        return put_bytes(bytes, 4, error_code);
    }
    // error_code is the write-error code; the short-write code follows it.
    bool put_bytes(const void* data, size_t size, int error_code) {
        if (std::fwrite(data, 1, size, file) == size) return true;
        fits_error(std::ferror(file) ? error_code : error_code + 1, name, nullptr);
        return false;
    }
};

template <typename T>
bool write_packed(FITSHEADER* hdr, const void* pixels, uint64_t total, FILE* file, PACK mode) {
    bool diff = mode != PACK_DIRECT;
    Pass pass = run_pass<T>(pixels, total, diff);
    if (pass.error == 0 && mode == PACK_BEST) {
        Pass direct = run_pass<T>(pixels, total, false);
        if (direct.error == 0 && direct.totalbits <= pass.totalbits) {
            pass = std::move(direct);
            diff = false;
        }
    }
    if (pass.error != 0) {
        fits_error(pass.error, hdr->name, nullptr);
        return false;
    }
    WordWriter out{file, hdr->name};
    if (!out.put(PACK_TYPE_BASE + (diff ? PACK_TYPE_DIFF : PACK_TYPE_DIRECT), 65)) return false;
    const std::vector<uint32_t> words = serialise(pass);
    uint32_t sum = 0;
    for (uint32_t w : words) sum += w;
    if (!out.put(static_cast<uint32_t>(words.size()), 68)) return false;
    std::vector<uint8_t> wordbytes(words.size() * 4);
    for (size_t i = 0; i < words.size(); ++i) {
        for (int b = 0; b < 4; ++b) wordbytes[i * 4 + b] = static_cast<uint8_t>(words[i] >> (24 - 8 * b));
    }
    if (!out.put_bytes(wordbytes.data(), wordbytes.size(), 70)) return false;
    if (!out.put(sum + PACK_SIGNATURE_BASE, 72)) return false;

    const Lookup lookup = make_lookup(pass);
    const uint64_t length = (pass.totalbits + 31) / 32 * 4;
    if (length > std::numeric_limits<uint32_t>::max()) {
        fits_error_bytes(77, hdr->name, length);
        return false;
    }
    if (!out.put(static_cast<uint32_t>(length), 75)) return false;
    std::unique_ptr<uint8_t, decltype(&std::free)> stream(static_cast<uint8_t*>(std::malloc(length + 4)), &std::free);
    if (!stream) {
        fits_error_bytes(77, hdr->name, length);
        return false;
    }
    const uint64_t emitted = encode<T>(pixels, total, diff, lookup, stream.get());
    if (emitted != pass.totalbits) {
        fits_error(78, hdr->name, nullptr);
        return false;
    }
    uint64_t offset = 0;
    for (; length - offset >= PACK_STREAM_PIECE; offset += PACK_STREAM_PIECE) {
        if (!out.put_bytes(stream.get() + offset, PACK_STREAM_PIECE, 79)) return false;
    }
    return offset == length || out.put_bytes(stream.get() + offset, length - offset, 81);
}

}  // namespace

bool pack_write(FITSHEADER* hdr, const void* pixels, FILE* file, PACK mode) {
    const int32_t bitpix = hdr->keys[KEY_BITPIX].value.integer;
    const int element = bitpix > 0 ? fits_elementsize(bitpix) : 0;
    if (element == 0) {
        fits_error(bitpix < 0 ? FE_WRITE_PACK_REAL : FE_WRITE_BITPIX, hdr->name, nullptr);
        return false;
    }
    uint64_t total = 0;
    if (!fits_pixelcount(hdr, static_cast<uint64_t>(element), 83, &total)) return false;
    try {
        switch (element) {
        case 1: return write_packed<uint8_t>(hdr, pixels, total, file, mode);
        case 2: return write_packed<int16_t>(hdr, pixels, total, file, mode);
        default: return write_packed<int32_t>(hdr, pixels, total, file, mode);
        }
    } catch (const std::bad_alloc&) {
        fits_error(83, hdr->name, nullptr);
        return false;
    }
}
