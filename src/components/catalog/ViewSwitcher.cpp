#include "ViewSwitcher.h"

#include <QWidget>

namespace {
constexpr int kOpen = 5000;
}

ViewSwitcher::ViewSwitcher(QWidget *webView, QWidget *playlistPhotos, QWidget *playlistStrip)
    : m_webView(webView)
    , m_playlistPhotos(playlistPhotos)
    , m_playlistStrip(playlistStrip)
{
    m_webView->setMaximumSize(kOpen, kOpen);
    m_playlistPhotos->setMaximumHeight(0);
    m_playlistStrip->setMaximumHeight(0);
}

bool ViewSwitcher::showWebView()
{
    if (m_webViewShown)
        return false;
    m_webViewShown = true;
    m_webView->setMaximumSize(kOpen, kOpen);
    m_playlistPhotos->setMaximumHeight(0);
    m_playlistStrip->setMaximumHeight(0);
    return true;
}

bool ViewSwitcher::showPlaylistView()
{
    if (!m_webViewShown)
        return false;
    m_webViewShown = false;
    m_webView->setMaximumHeight(0);
    m_playlistPhotos->setMaximumHeight(kOpen);
    m_playlistStrip->setMaximumHeight(kOpen);
    return true;
}
