#include "core/app/runfindings.h"

namespace qs::app {

void RunFindings::addPage(const PageFinding &page)
{
    for (const KeywordFinding &keyword : page.keywords)
        ++(keyword.isNew ? m_new : m_changed);
    m_pages.append(page);
}

void RunFindings::clear()
{
    m_scanned = m_new = m_changed = 0;
    m_pages.clear();
    m_failures.clear();
    emit cleared();
}

} // namespace qs::app
