#pragma once

#include <QTextBrowser>
#include <QWidget>

namespace qs::app {
class SettingsStore;
}

namespace qs::gui {

// A page viewer that never leaves the program: it loads nothing but the pages and images built
// into it, and follows no link, so showing the About page needs no network and reads no file.
class OfflineBrowser final : public QTextBrowser
{
    Q_OBJECT
public:
    explicit OfflineBrowser(QWidget *parent = nullptr);
    QVariant loadResource(int type, const QUrl &name) override;
};

// "About Quillmere Scan": the program's own page with its version, its licence, the versions
// of the libraries it runs with and where this user's files are. Closed with its close box.
class AboutWindow final : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(const app::SettingsStore &settings, QWidget *parent = nullptr);

    // The page as shown, with the values filled in.
    static QString pageHtml(const app::SettingsStore &settings);
};

} // namespace qs::gui
