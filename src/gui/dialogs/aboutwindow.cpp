#include "gui/dialogs/aboutwindow.h"
#include "core/version.h"

#include <QFile>
#include <QTextDocument>
#include <QVBoxLayout>

#include "core/app/paths.h"
#include "core/app/settingsstore.h"
#include "gui/dialogs/libraryversions.h"

// The page is built into this static library; its resources must be registered by hand.
static void initialiseAboutResources()
{
    Q_INIT_RESOURCE(about);
}

namespace qs::gui {

OfflineBrowser::OfflineBrowser(QWidget *parent)
    : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    setSearchPaths({});
}

QVariant OfflineBrowser::loadResource(int type, const QUrl &name)
{
    if (name.scheme() != QLatin1String("qrc"))
        return {};
    return QTextBrowser::loadResource(type, name);
}

AboutWindow::AboutWindow(const app::SettingsStore &settings, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Quillmere Scan"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *browser = new OfflineBrowser;
    browser->setObjectName(QStringLiteral("WebBrowser1"));
    browser->setAccessibleName(QStringLiteral("About Quillmere Scan"));
    browser->document()->setDocumentMargin(12);
    browser->setHtml(pageHtml(settings));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser);
    setMinimumSize(360, 280);
    resize(520, 480);
}

QString AboutWindow::pageHtml(const app::SettingsStore &settings)
{
    initialiseAboutResources();
    QFile page(QStringLiteral(":/about/about.html"));
    if (!page.open(QIODevice::ReadOnly))
        return {};
    QString html = QString::fromUtf8(page.readAll());
    const QString storedName = settings.read(app::keys::Dsn, QString());
    const std::initializer_list<std::pair<QString, QString>> values{
        {QStringLiteral("@VERSION@"), QStringLiteral(QS_VERSION)},
        {QStringLiteral("@QT@"), QString::fromLatin1(qVersion())},
        {QStringLiteral("@ODBC@"), libraryversions::unixOdbc()},
        {QStringLiteral("@CURL@"), libraryversions::curl()},
        {QStringLiteral("@SETTINGS@"), settings.filePath()},
        {QStringLiteral("@ODBCINI@"), app::paths::userOdbcIni()},
        {QStringLiteral("@DATADIR@"), app::paths::dataDir()},
        {QStringLiteral("@DSN@"), storedName.isEmpty() ? QStringLiteral("(none saved yet)") : storedName},
    };
    for (const auto &[placeholder, value] : values)
        html.replace(placeholder, value.toHtmlEscaped());
    return html;
}

} // namespace qs::gui
