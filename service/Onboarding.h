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
    // number 1..3, scale 1 or 2 (for scaled screens: twice the pixels);
    // empty for anything else.
    QByteArray picture(int number, int scale = 1);

private:
    std::mutex m_mutex;
    QImage m_text[6]; // scale 1, then scale 2
    QByteArray m_png[6];
};

} // namespace fotoria::service
