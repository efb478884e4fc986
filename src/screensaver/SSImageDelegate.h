#pragma once

#include <QString>

// Notifications of the picture queue to its owner.
class SSImageDelegate
{
public:
    virtual ~SSImageDelegate() = default;
    virtual void reachedEndOfQueue() = 0;
    virtual void imageListChanged() = 0;
    virtual void imagesIsCorrupted(QString path) = 0;
    virtual void loadedNewImage(QString path) = 0;
};
