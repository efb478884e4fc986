#pragma once

#include <QWebEngineUrlRequestInterceptor>

// Sees every request of the web views: no document or frame of another
// origin is fetched (a redirect included), and a document whose address
// carries the account's token sends nothing to another origin, so the token
// never leaves in a Referer.
class RequestGuard : public QWebEngineUrlRequestInterceptor
{
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    void interceptRequest(QWebEngineUrlRequestInfo &info) override;

    // Whether the request is refused, by its address, its kind and the
    // address of the document that makes it.
    static bool refuses(const QUrl &url, bool isFrame, const QUrl &document);
};
