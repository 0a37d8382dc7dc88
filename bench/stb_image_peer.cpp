// stb_image (Debian's libstb-dev, a header library), the decoder people reach for first: built
// here, for bench_load only, to print its decode times beside our loads.
#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>
