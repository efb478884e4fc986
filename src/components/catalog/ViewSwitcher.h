#pragma once

class QWidget;

// Shows either the web view or the playlist view by giving the other one no
// height, so both keep their state (page, scroll position, selection).
class ViewSwitcher
{
public:
    ViewSwitcher(QWidget *webView, QWidget *playlistPhotos, QWidget *playlistStrip);

    // Return false when that view was already shown.
    bool showWebView();
    bool showPlaylistView();
    bool webViewShown() const { return m_webViewShown; }

private:
    QWidget *m_webView;
    QWidget *m_playlistPhotos;
    QWidget *m_playlistStrip;
    bool m_webViewShown = true;
};
