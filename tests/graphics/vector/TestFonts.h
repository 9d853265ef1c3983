// Where the tests find their fonts (Debian's fonts-dejavu-core and fonts-roboto-unhinted).
#pragma once

#define KD_DEJAVU_DIR "/usr/share/fonts/truetype/dejavu/"
#define KD_ROBOTO_FILE "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf"
