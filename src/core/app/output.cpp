#include "core/app/output.h"

namespace qs::app {

void writeText(std::FILE *stream, const QString &text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    const QByteArray bytes = lines.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

void writeLine(std::FILE *stream, const QString &text)
{
    writeText(stream, text + QLatin1Char('\n'));
}

} // namespace qs::app
