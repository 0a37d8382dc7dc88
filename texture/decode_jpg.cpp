// Placeholder: the jpg decoder rejects every file until it is written.
#include "texture/image_decoder.h"

HRESULT ImageDecoder::decodeJpg(const uint8_t*, UINT) {
    return E_FAIL;
}
