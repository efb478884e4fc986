// Arbitrary text as a picture's address or path.
#include "FuzzSupport.h"

#include <core/PhotoPaths.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::setUp();
    const QString from = QString::fromUtf8(fuzz::bytes(data, size));
    PhotoPaths paths(from);
    if (paths.isUrl()) {
        FUZZ_CHECK(!paths.path().isEmpty());
        FUZZ_CHECK(paths.fullUrl() == paths.path());
    } else {
        // The uuid never brings a folder of its own into the derived paths.
        FUZZ_CHECK(!paths.uuid().contains(QLatin1Char('/')));
        paths.fullUrl();
    }
    paths.fileName();
    paths.thumbnailPath();
    paths.playlist();
    return 0;
}
