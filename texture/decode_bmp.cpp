// Placeholder: the bmp decoder rejects every file until it is written.
#include "texture/image_decoder.h"

HRESULT ImageDecoder::decodeBmp(const uint8_t*, UINT) {
    return E_FAIL;
}

HRESULT ImageDecoder::decodeDib(const uint8_t*, UINT) {
    return E_FAIL;
}
