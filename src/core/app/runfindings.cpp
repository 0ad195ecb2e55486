#include "core/app/runfindings.h"

namespace qs::app {

void RunFindings::addPage(const PageFinding &page)
{
    for (const KeywordFinding &keyword : page.keywords)
        ++(keyword.isNew ? m_new : m_changed);
    if (m_pages.size() < DetailedPages)
        m_pages.append(page);
    else
        ++m_pagesLeftOut;
}

void RunFindings::addFailure(const FailedUrl &failure)
{
    ++m_failed;
    if (m_failures.size() < DetailedFailures)
        m_failures.append(failure);
}

void RunFindings::clear()
{
    m_scanned = m_new = m_changed = m_failed = m_pagesLeftOut = 0;
    m_pages.clear();
    m_failures.clear();
    emit cleared();
}

} // namespace qs::app
