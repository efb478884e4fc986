#pragma once

#include <QString>

// Names one picture in every form the client meets it: a service address
// (thumbnail or preview URL), a local thumbnail, or a local picture file
// (also as a "file://" URL, decoded). From any of them it derives the asset's uuid,
// its playlist, the full-size address and the local picture and thumbnail
// paths.
class PhotoPaths
{
public:
    static const QString kThumbnailEnding; // "-256x144.jpg"
    static const QString kPreviewEnding; // "-1024x576x.jpg"

    PhotoPaths() = default;
    explicit PhotoPaths(const QString &from) { set(from); }

    void set(const QString &from);

    bool isUrl() const { return m_isUrl; }
    QString uuid() const { return m_uuid; }
    QString playlist() const { return m_playlist; }
    // The full-size address; for a local picture looked up on first read in
    // the setting "kUuidToUrlPrefix" + uuid (empty when there is none).
    QString fullUrl();
    // The full-size picture: its address for a URL, else the local path.
    QString path() const { return m_path; }
    QString thumbnailPath() const { return m_thumbnailPath; }
    // True for a "file://" address; path() is then the decoded local path.
    bool isFileUrl() const { return m_isFileUrl; }
    // The name the picture has as a playlist file: the last part of the path,
    // decoded, without an address's query or fragment.
    QString fileName() const { return m_fileName; }

private:
    bool m_isUrl = false;
    bool m_isFileUrl = false;
    QString m_uuid;
    QString m_playlist;
    QString m_fullUrl;
    QString m_path;
    QString m_thumbnailPath;
    QString m_fileName;
};
