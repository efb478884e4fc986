#pragma once

#ifdef FOTORIA_HAVE_LIBJPEG

#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

// Holds the coefficients of a multi-scan (progressive) JPEG for libjpeg at
// one byte each instead of two. libjpeg keeps every coefficient of such a
// picture until its last scan (36 MB for a 12 MP photo with halved colour);
// quantised coefficients seldom leave -127..127, and the few that do are
// kept aside at full width, so the picture decodes exactly as before. Only
// the block rows libjpeg works on sit at full width.
class JpegCoefficientStore
{
public:
    JpegCoefficientStore();
    ~JpegCoefficientStore();
    JpegCoefficientStore(const JpegCoefficientStore &) = delete;
    JpegCoefficientStore &operator=(const JpegCoefficientStore &) = delete;

    // Takes over the coefficient arrays of `info`, from jpeg_create_decompress
    // on. Uses info->client_data; must outlive the decompression.
    void install(jpeg_decompress_struct *info);

private:
    class Array;
    static jvirt_barray_ptr request(j_common_ptr info, int pool, boolean preZero, JDIMENSION blocksPerRow,
        JDIMENSION rows, JDIMENSION maxAccess);
    static JBLOCKARRAY access(
        j_common_ptr info, jvirt_barray_ptr array, JDIMENSION first, JDIMENSION count, boolean writable);

    std::vector<std::unique_ptr<Array>> m_arrays;
};

#endif
