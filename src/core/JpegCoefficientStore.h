#pragma once

#ifdef FOTORIA_HAVE_LIBJPEG

#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

// Holds the coefficients of a multi-scan (progressive) JPEG for libjpeg in a
// fraction of the room. libjpeg keeps every coefficient of such a picture
// until its last scan, at two bytes each (36 MB for a 12 MP photo with
// halved colour, 73 MB with full colour). Here each block's rows of
// coefficients go in pairs: none for a pair that is all zero, half a byte a
// coefficient for small detail, a byte otherwise, the few values beyond a
// byte kept aside, so the picture decodes exactly as before. Only the block
// rows libjpeg works on sit at full width.
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
