// The launcher's reader of its splash picture on arbitrary bytes.

#include <launcher/SplashForm.h>

#include <QByteArray>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    CBitmap bitmap;
    TSplashForm1::ReadSplashBitmap(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), bitmap);
    return 0;
}
