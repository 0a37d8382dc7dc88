// Placeholder: the tga decoder rejects every file until it is written.
#include "texture/image_decoder.h"

HRESULT ImageDecoder::decodeTga(const uint8_t*, UINT) {
    return E_FAIL;
}
