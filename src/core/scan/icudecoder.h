#pragma once

#include <QByteArrayView>
#include <QString>

#include "core/scan/bodydecoder.h"
#include "core/scan/encodinglabels.h"

namespace qs::scan {

// The Encoding Standard's decoders for every encoding other than UTF-8 and UTF-16: the
// single-byte ones, gb18030 (also GBK), Big5, EUC-JP, ISO-2022-JP, Shift_JIS, EUC-KR, replacement and
// x-user-defined. Their byte-to-character tables come from ICU (see icutables.h); how bytes group
// into characters, and what an error swallows, follows the standard's algorithms step for step,
// because ICU resynchronises differently after a bad byte.
QString decodeWithIcuTables(Encoding encoding, QByteArrayView bytes, BodyEnd end);

} // namespace qs::scan
