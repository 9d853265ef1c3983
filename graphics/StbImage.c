/* The image decoder's implementation, compiled once inside the project (PNG and JPEG only). Built as a
   dependency, without the project's warning flags. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#include <stb/stb_image.h>
