#pragma once

#include <array>
#include <vector>

#include "core/scan/encodinglabels.h"

namespace qs::scan {

// The Encoding Standard's indexes (its byte-to-code-point tables), read once from ICU's converters
// and corrected where ICU 72's tables differ from the standard. Each is built on first use and then
// shared, read-only, by every thread.

// Bytes 0x80 to 0xFF of a single-byte encoding; U+FFFD where the standard maps nothing.
using SingleByteTable = std::array<char16_t, 128>;
const SingleByteTable &singleByteTable(Encoding encoding);

// A multi-byte index, by the standard's pointer; 0 where the standard maps nothing.
using IndexTable = std::vector<char32_t>;
const IndexTable &indexEucKr();   // 23940 pointers
const IndexTable &indexGb18030(); // 23940 pointers, the two-byte part of gb18030 and GBK
const IndexTable &indexBig5();    // 19782 pointers
const IndexTable &indexJis0208(); // 11280 pointers
const IndexTable &indexJis0212(); // 8836 pointers

// The standard's "index gb18030 ranges code point" for a four-byte gb18030 sequence's pointer; 0 for
// a pointer it leaves unmapped.
char32_t gb18030RangesCodePoint(int pointer);

} // namespace qs::scan
