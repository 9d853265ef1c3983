// Where the tests find their fonts (Debian's fonts-dejavu-core).
#pragma once

#define KD_DEJAVU_DIR "/usr/share/fonts/truetype/dejavu/"
