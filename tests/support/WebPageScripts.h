#pragma once

#include <QEventLoop>
#include <QSignalSpy>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>

// The web engine answers scripts and loads asynchronously; tests wait.
namespace fotoria::test {

// The script's value, or an invalid variant after `timeoutMs`.
inline QVariant runScript(QWebEnginePage *page, const QString &script, int timeoutMs = 10000,
    quint32 world = QWebEngineScript::MainWorld)
{
    QVariant result;
    QEventLoop loop;
    bool done = false;
    page->runJavaScript(script, world, [&](const QVariant &value) {
        result = value;
        done = true;
        loop.quit();
    });
    if (!done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return result;
}

// Loads the address and waits for the end of the load; its outcome.
inline bool loadPage(QWebEnginePage *page, const QUrl &url, int timeoutMs = 20000)
{
    QSignalSpy finished(page, &QWebEnginePage::loadFinished);
    page->load(url);
    return finished.wait(timeoutMs) && finished.first().first().toBool();
}

inline QString plainText(QWebEnginePage *page)
{
    return runScript(page, QStringLiteral("document.body ? document.body.innerText : ''")).toString();
}

} // namespace fotoria::test
