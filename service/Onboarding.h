#pragma once

#include <QByteArray>
#include <QImage>

#include <mutex>

namespace fotoria::service {

// The three welcome pictures (PNG). The text layers are drawn at start on
// the main thread (fonts want the GUI thread); the photo beneath and the
// PNG encoding happen on first request, so start-up stays quick.
class Onboarding
{
public:
    void prepareText(); // main thread, before serving
    QByteArray picture(int number); // 1..3; empty for any other number

private:
    std::mutex m_mutex;
    QImage m_text[3];
    QByteArray m_png[3];
};

} // namespace fotoria::service
