#pragma once
// Where a register group lies, declared once beside its record: the first
// register `kStart`, the register count `kCount`, and, for a record with
// 32-bit fields (two registers, high word first), their byte offsets in a
// static `WideOffsets()`. The read and the write of a group both take their
// layout from here, so they cannot disagree.

#include <array>
#include <cstddef>

namespace RegisterLayout {

// The byte offsets of the record's 32-bit fields; none when it declares none.
template <typename Record>
constexpr auto WideOffsets()
{
    if constexpr (requires { Record::WideOffsets(); }) {
        return Record::WideOffsets();
    } else {
        return std::array<size_t, 0>{};
    }
}

// The layout matches the record: two bytes per register, each 32-bit field
// on a register boundary inside the record, no two of them overlapping.
template <typename Record>
constexpr bool Fits()
{
    if (sizeof(Record) != 2u * Record::kCount) return false;
    const auto wide = WideOffsets<Record>();
    for (size_t i = 0; i < wide.size(); ++i) {
        if (wide[i] % 2 != 0 || wide[i] + 4 > sizeof(Record)) return false;
        for (size_t j = 0; j < i; ++j) {
            if (wide[i] < wide[j] + 4 && wide[j] < wide[i] + 4) return false;
        }
    }
    return true;
}

}  // namespace RegisterLayout
