#pragma once

#include <array>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <curl/curl.h>

#include "core/scan/fetchresult.h"

namespace qs::scan {

// The values the progress bar takes while a body of `characters` characters is handed over in
// pieces of 1024, given the length the server announced (0: none). The percentage is taken before
// each piece, so it lags one piece behind, and it is set once more on the final empty read.
QList<double> progressValues(qsizetype characters, qint64 announcedLength);

// One GET on a libcurl easy handle, and what it collected: the header block of the final answer,
// the body after the content codings are undone, and the progress.
//
// It lives on the fetcher's worker thread, and libcurl calls back into it only there.
class HttpTransfer
{
public:
    HttpTransfer(const QUrl &url, const TransferRules &rules);
    ~HttpTransfer();
    HttpTransfer(const HttpTransfer &) = delete;
    HttpTransfer &operator=(const HttpTransfer &) = delete;

    // Null when libcurl could not set the request up; finish() then says why.
    CURL *handle() const { return m_easy; }

    // Bytes of the body received so far and the length the answer announced (0: none).
    qint64 received() const { return m_received; }
    qint64 announced() const { return m_announced; }

    // The outcome, once libcurl has ended the transfer with code.
    FetchResult finish(CURLcode code) const;

private:
    // One answer: the final one, or a redirect or interim answer on the way to it.
    struct Answer
    {
        int status = 0;
        QByteArray reason;
        QList<std::pair<QByteArray, QByteArray>> fields;
        bool headerEnded = false;
    };

    static size_t onHeader(char *data, size_t size, size_t count, void *self);
    static size_t onBody(char *data, size_t size, size_t count, void *self);
    static int onProgress(void *self, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t,
                          curl_off_t);

    bool takeHeaderLine(QByteArray line);
    QString framingProblem() const;
    QList<QByteArray> fieldValues(QByteArrayView name) const;
    bool bodyWasDecoded() const;
    QString headerBlock() const;
    void describeFailure(CURLcode code, FetchResult &result) const;

    QUrl m_url;
    TransferRules m_rules;
    CURL *m_easy = nullptr;
    curl_slist *m_requestFields = nullptr;
    CURLcode m_setupError = CURLE_OK;
    std::array<char, CURL_ERROR_SIZE> m_errorText{};

    Answer m_answer;
    QString m_framingProblem; // set when the final answer's length cannot be trusted
    QByteArray m_body;
    bool m_truncated = false;
    qint64 m_received = 0;
    qint64 m_announced = 0;
};

} // namespace qs::scan
