#pragma once

#include <QByteArrayView>
#include <QString>

#include "core/scan/bodydecoder.h"

namespace qs::scan {

// The Encoding Standard's UTF-8 decoder (section 8.1.1): one U+FFFD for each maximal invalid
// subpart, as browsers write it. No byte-order mark handling: the caller has removed it.
QString decodeUtf8(QByteArrayView bytes, BodyEnd end);

// The Encoding Standard's shared UTF-16 decoder (section 14.2.1): an unpaired surrogate and an odd
// last byte each become U+FFFD.
QString decodeUtf16(QByteArrayView bytes, bool bigEndian, BodyEnd end);

} // namespace qs::scan
