#pragma once

#include <QString>

namespace qs::app {
class RunFindings;
}

namespace qs::notify {

// The result mail's HTML alternative: a summary line, then per page its title as a link and, per
// reported keyword, whether it is new or changed, its lengths and sensitivity and the text around
// it, then the URLs that could not be checked, with why and for how many runs in a row.
//
// Everything taken from a page or a server is escaped; only http and https addresses are linked;
// the styles are inline, and nothing is loaded from elsewhere, so mail readers show it as sent.
QString htmlReport(const app::RunFindings &findings);

} // namespace qs::notify
