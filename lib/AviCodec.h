#pragma once

#include "String.h"

#include <QString>

// An encoder that movie compression offers, with the choices it honours
// (each found by encoding a short movie with and without it).
struct AviCodec
{
    CString name;                 // FFmpeg's name for it, as AviCompressOptions::codec holds it
    QString description;          // as the compression dialog lists it
    bool takesQuality = false;    // a higher quality gives more bytes
    bool takesKeyFrames = false;  // it makes frames that are not key frames, as often as asked
    bool takesDataRate = false;   // a lower data rate gives fewer bytes
};
