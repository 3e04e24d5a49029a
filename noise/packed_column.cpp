// Packs a column block by block, and reads stretches of it back as values or running sums.
#include "packed_column.h"

#include <algorithm>
#include <type_traits>

namespace vesko {

namespace {

unsigned widthFor(std::uint64_t span) noexcept {
    if (span == 0) return 0;
    if (span <= 0xFFu) return 1;
    if (span <= 0xFFFFu) return 2;
    return 4;
}

template <class Offset>
void packInto(const std::vector<std::int64_t>& values, std::int64_t least, std::vector<Offset>& offsets) {
    offsets.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
        offsets[i] = static_cast<Offset>(static_cast<std::uint64_t>(values[i]) - static_cast<std::uint64_t>(least));
    }
}

}  // namespace

void PackedColumn::seal() {
    Block block;
    std::int64_t low = pending_[0];
    std::int64_t high = pending_[0];
    for (const std::int64_t v : pending_) {
        low = std::min(low, v);
        high = std::max(high, v);
    }
    block.least = low;
    block.width = widthFor(static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low));
    switch (block.width) {
        case 1: packInto(pending_, block.least, block.bytes); break;
        case 2: packInto(pending_, block.least, block.halves); break;
        case 4: packInto(pending_, block.least, block.words); break;
        default: break;
    }
    blocks_.push_back(std::move(block));
    pendingCount_ = 0;
}

template <class Take>
void PackedColumn::forEachPiece(std::size_t from, std::size_t to, Take&& take) const {
    while (from < to) {
        const std::size_t index = from / kBlockValues;
        const std::size_t at = from % kBlockValues;
        const std::size_t count = std::min(to - from, kBlockValues - at);
        if (index == blocks_.size()) {
            take(pending_.data() + at, std::int64_t{0}, count);
        } else {
            const Block& b = blocks_[index];
            switch (b.width) {
                case 0: take(nullptr, b.least, count); break;
                case 1: take(b.bytes.data() + at, b.least, count); break;
                case 2: take(b.halves.data() + at, b.least, count); break;
                default: take(b.words.data() + at, b.least, count); break;
            }
        }
        from += count;
    }
}

void PackedColumn::read(std::size_t from, std::size_t to, std::int64_t* out) const {
    forEachPiece(from, to, [&out](auto offsets, std::int64_t least, std::size_t count) {
        if constexpr (std::is_null_pointer_v<decltype(offsets)>) {
            std::fill(out, out + count, least);
        } else {
            for (std::size_t i = 0; i < count; ++i) out[i] = least + static_cast<std::int64_t>(offsets[i]);
        }
        out += count;
    });
}

void PackedColumn::runningSums(std::size_t from, std::size_t to, std::int64_t start, std::int64_t* out) const {
    *out = start;
    forEachPiece(from, to, [&out](auto offsets, std::int64_t least, std::size_t count) {
        std::int64_t sum = *out;
        if constexpr (std::is_null_pointer_v<decltype(offsets)>) {
            for (std::size_t i = 0; i < count; ++i) out[i + 1] = sum += least;
        } else {
            for (std::size_t i = 0; i < count; ++i) out[i + 1] = sum += least + static_cast<std::int64_t>(offsets[i]);
        }
        out += count;
    });
}

std::int64_t PackedColumn::sumOver(std::size_t from, std::size_t to) const {
    std::int64_t sum = 0;
    forEachPiece(from, to, [&sum](auto offsets, std::int64_t least, std::size_t count) {
        sum += least * static_cast<std::int64_t>(count);
        if constexpr (!std::is_null_pointer_v<decltype(offsets)>) {
            for (std::size_t i = 0; i < count; ++i) sum += static_cast<std::int64_t>(offsets[i]);
        }
    });
    return sum;
}

bool PackedColumn::constantOver(std::size_t from, std::size_t to) const {
    if (from >= to) return true;
    std::int64_t first = 0;
    read(from, from + 1, &first);
    bool constant = true;
    forEachPiece(from, to, [&](auto offsets, std::int64_t least, std::size_t count) {
        if constexpr (std::is_null_pointer_v<decltype(offsets)>) {
            constant = constant && least == first;
        } else {
            for (std::size_t i = 0; i < count && constant; ++i) {
                constant = least + static_cast<std::int64_t>(offsets[i]) == first;
            }
        }
    });
    return constant;
}

std::size_t PackedColumn::storedBytes() const noexcept {
    std::size_t bytes = pendingCount_ * sizeof(std::int64_t);
    for (const Block& b : blocks_) bytes += b.bytes.size() + 2 * b.halves.size() + 4 * b.words.size();
    return bytes;
}

}  // namespace vesko
