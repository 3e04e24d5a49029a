// A long column of integers kept in little memory: blocks of values stored as offsets from the block's least.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vesko {

// A day of samples at 1 kHz has 86.4 M values per column. Raw counts at rest
// move by a few dozen counts within a block, sample intervals by a few ticks,
// sequence steps not at all, so offsets of 1, 0 or 2 bytes keep most columns
// at a byte a value or less; a block that needs more takes more. Values must
// span less than 2^32 within a block. Appended once, read many times.
class PackedColumn {
public:
    static constexpr std::size_t kBlockValues = 4096;

    void append(std::int64_t value) {
        pending_[pendingCount_++] = value;
        if (pendingCount_ == kBlockValues) seal();
    }
    std::size_t size() const noexcept { return blocks_.size() * kBlockValues + pendingCount_; }

    // out[i] = value at `from` + i, for i < to - from.
    void read(std::size_t from, std::size_t to, std::int64_t* out) const;

    // out[0] = start and out[i + 1] = out[i] + value at `from` + i, for
    // i < to - from: running sums of a stretch, exact in 64 bits.
    void runningSums(std::size_t from, std::size_t to, std::int64_t start, std::int64_t* out) const;

    // The sum of the values in [from, to).
    std::int64_t sumOver(std::size_t from, std::size_t to) const;

    // Whether every value in [from, to) is the same.
    bool constantOver(std::size_t from, std::size_t to) const;

    // Bytes held by the values (for the figures; the bookkeeping is a few bytes a block).
    std::size_t storedBytes() const noexcept;

private:
    struct Block {
        std::int64_t least = 0;
        unsigned width = 0;  // bytes an offset: 0, 1, 2 or 4, and the one of these that holds them
        std::vector<std::uint8_t> bytes;
        std::vector<std::uint16_t> halves;
        std::vector<std::uint32_t> words;
    };
    void seal();
    // Calls take(offsets, least, count) for each piece of [from, to) in
    // order, offsets typed by the piece's width (nullptr for width 0).
    template <class Take>
    void forEachPiece(std::size_t from, std::size_t to, Take&& take) const;

    std::vector<Block> blocks_;
    std::vector<std::int64_t> pending_ = std::vector<std::int64_t>(kBlockValues);  // the block being filled
    std::size_t pendingCount_ = 0;
};

}  // namespace vesko
