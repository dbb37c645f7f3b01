#include "imaging/pic_buffer.h"

QByteArray picBuffer;
