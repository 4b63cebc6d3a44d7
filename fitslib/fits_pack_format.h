#pragma once
// Layout constants of the packed data section shared by encoder and decoder.
// Every word is 32 bits, big-endian: type word, node count, node words in
// pre-order, tree checksum, stream length, stream.

#include <cstdint>

inline constexpr uint32_t PACK_TYPE_BASE = 0x03010200u;
inline constexpr uint32_t PACK_TYPE_DIRECT = 3;
inline constexpr uint32_t PACK_TYPE_DIFF = 4;
inline constexpr uint32_t PACK_TYPE_MASK = 0xFFu;

inline constexpr int PACK_DIRECT_LIMIT = 4095;            // |q| coded by its own leaf
inline constexpr int PACK_DIRECT_SYMBOLS = 2 * PACK_DIRECT_LIMIT + 1;
inline constexpr int PACK_MAX_DIRECT_LEAVES = 500;
inline constexpr int PACK_RARE_COUNT = 10;                 // stop choosing below this count
inline constexpr double PACK_DIRECT_SHARE = 0.995;
inline constexpr int PACK_CLASSES = 33;                    // escape classes 0..32 per sign
inline constexpr int PACK_MINVALUE_CLASS = 32;             // -32: the value -2147483648
inline constexpr int PACK_FILLER_CLASS_LIMIT = 33;         // filler leaves use 32 and 33
inline constexpr int PACK_MAX_CODE_BITS = 27;
inline constexpr int PACK_STREAM_PIECE = 65536;

// Node words. Leaf: bit 0 set, bit 1 direct, symbol (16-bit signed) from bit 2.
// Inner node: bit 0 clear, left child in bits 1-15, right child in bits 17-31.
inline constexpr uint32_t PACK_LEAF_BIT = 1u;
inline constexpr uint32_t PACK_DIRECT_BIT = 2u;
inline constexpr int PACK_SYMBOL_SHIFT = 2;
inline constexpr int PACK_LEFT_SHIFT = 1;
inline constexpr int PACK_RIGHT_SHIFT = 17;
inline constexpr uint32_t PACK_CHILD_MASK = 0x7FFFu;
inline constexpr int PACK_MAX_NODES = 0x7FFF;

inline uint32_t pack_leafword(int symbol, bool direct) {
    return static_cast<uint32_t>(symbol) << PACK_SYMBOL_SHIFT | (direct ? PACK_DIRECT_BIT : 0u) | PACK_LEAF_BIT;
}
inline uint32_t pack_innerword(uint32_t left, uint32_t right) {
    return left << PACK_LEFT_SHIFT | right << PACK_RIGHT_SHIFT;
}
inline int pack_symbol(uint32_t word) {
    return static_cast<int16_t>(static_cast<uint16_t>(word >> PACK_SYMBOL_SHIFT));
}
inline uint32_t pack_left(uint32_t word) { return word >> PACK_LEFT_SHIFT & PACK_CHILD_MASK; }
inline uint32_t pack_right(uint32_t word) { return word >> PACK_RIGHT_SHIFT & PACK_CHILD_MASK; }

// Tree checksum: the node-word sum plus a signature base; the reader accepts
// the tree when the difference d satisfies ((d^2 mod M) d mod M) mod 10^6 = R.
inline constexpr uint32_t PACK_SIGNATURE_BASE = 52718093u;
inline constexpr uint64_t PACK_CHECK_MODULUS = 87654301u;
inline constexpr uint64_t PACK_CHECK_RESIDUE = 783047u;
inline constexpr uint64_t PACK_CHECK_DECIMAL = 1000000u;

inline bool pack_checksum_ok(uint32_t stored, uint32_t nodesum) {
    const uint64_t d = static_cast<uint32_t>(stored - nodesum);
    const uint64_t square = d % PACK_CHECK_MODULUS * (d % PACK_CHECK_MODULUS) % PACK_CHECK_MODULUS;
    return square * (d % PACK_CHECK_MODULUS) % PACK_CHECK_MODULUS % PACK_CHECK_DECIMAL == PACK_CHECK_RESIDUE;
}

inline int pack_bitlength(uint32_t magnitude) {
    return magnitude == 0 ? 0 : 32 - __builtin_clz(magnitude);
}
