/* The image decoder's implementation, compiled once inside the project (PNG and JPEG only). Built as a
   dependency, without the project's warning flags. */
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
/* This version of the decoder declares its per-thread unpremultiply switch as
   stbi_set_unpremultiply_on_load_thread but defines it under another name: the definition is given the declared one. */
#define stbi__unpremultiply_on_load_thread stbi_set_unpremultiply_on_load_thread
#include <stb/stb_image.h>
