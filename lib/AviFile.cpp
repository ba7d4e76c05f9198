#include "AviFile.h"

#include "AviCompressDialog.h"
#include "AviEncoder.h"
#include "AviReader.h"
#include "AviWriter.h"
#include "controls/ProgressPanel.h"
#include <platform/Exception.h>
#include <platform/ModalDialog.h>
#include <platform/Stream.h>

#include <QApplication>

#include <climits>
#include <new>

// A movie being written: its temporary file and the writer over it.
class AviMovieFile
{
public:
    AviMovieFile(const CPath &path, const BITMAPINFOHEADER &format, const char *name, const char *handler,
                 int rate)
        : file(path.ToAnsiString())   // raises EFCreateError
        , writer(file, format, handler, uint32_t(rate), name)
    {
    }

    TSafeFileStream file;
    AviWriter writer;
    bool begun = false;    // the headers are written
    bool failed = false;   // a write failed: the file holds no usable movie
};

namespace {

std::unique_ptr<TStream> openForReading(const CPath &path)
{
    try {
        return std::make_unique<TFileStream>(path.ToAnsiString(), fmOpenRead | fmShareDenyWrite);
    } catch (const Exception &) {
        return nullptr;
    }
}

// Turns frames done into Nudges, one a percent, and answers a cancel.
class CompressProgress
{
public:
    explicit CompressProgress(TProgress *progress) : m_progress(progress) {}

    // False when the user has cancelled.
    bool report(int percent)
    {
        if (!m_progress)
            return true;
        for (; m_percent < percent; ++m_percent)
            m_progress->Nudge();
        return !m_progress->Cancelled;
    }

private:
    TProgress *m_progress;
    int m_percent = 0;
};

} // namespace

CAviFile::CAviFile()
{
    // FFmpeg needs no set-up beyond where its messages go.
    routeFfmpegLog();
}

CAviFile::~CAviFile()
{
    Close();
}

TAviResult CAviFile::OpenRead(const CPath &path)
{
    Close();
    std::unique_ptr<TStream> file = openForReading(path);
    if (!file)
        return aviOpenFailed;
    m_stream = std::make_unique<AviInputStream>();
    if (!m_stream->open(std::move(file))) {
        m_stream.reset();
        return aviOpenFailed;
    }
    m_frameReader = std::make_unique<AviFrameReader>(*m_stream);
    if (!m_frameReader->open()) {
        m_frameReader.reset();
        return aviNoFrameReader;
    }
    return aviSuccess;
}

TAviResult CAviFile::ReadFrame(int frame, unsigned char *&rgb, unsigned &width, unsigned &height, unsigned &bits)
{
    rgb = nullptr;
    width = height = bits = 0;
    if (!m_frameReader)
        return aviNoFrameReader;
    if (frame < 0 || frame >= m_stream->frameCount())
        return aviGetFormatFailed;
    const AVFrame *decoded = m_frameReader->frame(frame);
    if (!decoded || !isAcceptableFrameSize(decoded->width, decoded->height))
        return aviReadFailed;
    const size_t bytes = size_t(decoded->width) * size_t(decoded->height) * 3;
    std::unique_ptr<unsigned char[]> buffer(new (std::nothrow) unsigned char[bytes]);
    if (!buffer || !m_frameReader->convertToRgb(decoded, buffer.get()))
        return aviReadFailed;
    rgb = buffer.release();
    width = unsigned(decoded->width);
    height = unsigned(decoded->height);
    bits = m_stream->frameFormat().biBitCount;
    return aviSuccess;
}

TAviResult CAviFile::GetFrameInfo(int frame, BITMAPINFOHEADER *header)
{
    if (!m_stream || !header || frame < 0 || frame >= m_stream->frameCount())
        return aviGetFormatFailed;
    *header = m_stream->frameFormat();
    return aviSuccess;
}

TAviResult CAviFile::GetStreamInfo(AviStreamInfo *info)
{
    if (!m_stream || !info)
        return aviStreamInfoFailed;
    *info = m_stream->streamInfo();
    return aviSuccess;
}

TAviResult CAviFile::OpenWrite(const CPath &path, const BITMAPINFOHEADER *format, const char *name,
                               const char *handler, int rate)
{
    Close();
    m_frameCounter = 0;
    if (!format)
        return aviSetFormatFailed;
    try {
        m_file = std::make_unique<AviMovieFile>(path, *format, name, handler, rate);
    } catch (const Exception &) {
        return aviOpenFailed;
    }
    if (rate < 1)
        return aviCreateStreamFailed;
    if (!AviWriter::isWritableFormat(*format))
        return aviSetFormatFailed;
    try {
        m_file->writer.begin();
    } catch (const Exception &) {
        m_file->failed = true;
        return aviSetFormatFailed;
    }
    m_file->begun = true;
    return aviSuccess;
}

TAviResult CAviFile::WriteFrame(const void *data, uint32_t size, int32_t *bytesWritten)
{
    if (bytesWritten)
        *bytesWritten = 0;
    if (!m_file || !m_file->begun || m_file->failed || !data)
        return aviWriteFailed;
    try {
        if (!m_file->writer.writeFrame(data, size))
            return aviWriteFailed;
    } catch (const Exception &) {
        m_file->failed = true;
        return aviWriteFailed;
    }
    ++m_frameCounter;
    if (bytesWritten)
        *bytesWritten = int32_t(size);
    return aviSuccess;
}

TAviResult CAviFile::Close()
{
    m_frameReader.reset();
    m_stream.reset();
    if (!m_file)
        return aviSuccess;
    // Only a whole movie replaces the target; anything less leaves the old file.
    std::unique_ptr<AviMovieFile> movie = std::move(m_file);
    if (!movie->begun || movie->failed)
        return movie->begun ? aviWriteFailed : aviSuccess;
    try {
        movie->writer.finish();
        movie->file.Commit();
    } catch (const Exception &) {
        return aviWriteFailed;
    }
    return aviSuccess;
}

void CAviFile::Discard()
{
    m_file.reset();
    Close();
}

TAviResult CAviFile::CompressDialog(AviCompressOptions *options, const AviStreamInfo *stream)
{
    if (!options || !stream || !qobject_cast<QApplication *>(QCoreApplication::instance()))
        return aviDialogFailed;
    const std::vector<AviCodec> codecs = aviCodecsFor(*stream);
    if (codecs.empty())
        return aviDialogFailed;
    TAviCompressDialog dialog(codecs, *options);
    if (ExecModal(dialog) != QDialog::Accepted)
        return aviCancelled;
    *options = dialog.Options();
    return aviSuccess;
}

TAviResult CAviFile::Compress(const CPath &source, const CPath &target, const AviCompressOptions *options,
                              TProgress *progress)
{
    std::unique_ptr<TStream> file = openForReading(source);
    if (!file)
        return aviOpenFailed;
    AviInputStream input;
    if (!input.open(std::move(file)))
        return aviOpenFailed;
    AviFrameReader reader(input);
    if (!reader.open())
        return aviOpenFailed;

    const AviCodec *codec = options ? findWorkingAviCodec(options->codec) : nullptr;
    const AviStreamInfo info = input.streamInfo();
    std::unique_ptr<TSafeFileStream> compressed;   // outlives the encoder that writes to it
    AviEncoder encoder;
    if (!codec || info.rate == 0 || info.scale > INT_MAX || info.rate > INT_MAX
        || !encoder.open(codec->name, encoderSettingsFor(*codec, *options), info.frame.Width(),
                         info.frame.Height(), AVRational{int(info.scale), int(info.rate)}))
        return aviCreateStreamFailed;

    CompressProgress report(progress);
    try {
        compressed = std::make_unique<TSafeFileStream>(target.ToAnsiString());
        if (!encoder.begin(*compressed, info.name))
            return aviWriteFailed;
        if (!report.report(0))
            return aviCancelled;
        const int32_t frames = input.frameCount();
        for (int32_t n = 0; n < frames; ++n) {
            const AVFrame *frame = reader.frame(n);
            if (!frame || !encoder.write(frame))
                return aviWriteFailed;
            if (!report.report(int(int64_t(n + 1) * 100 / frames)))
                return aviCancelled;
        }
        if (!encoder.finish())
            return aviWriteFailed;
        compressed->Commit();
    } catch (const Exception &) {
        return aviWriteFailed;
    }
    if (progress)
        progress->Nudge();
    return aviSuccess;
}

const char *CAviFile::GetErrorMessage(TAviResult result)
{
    switch (result) {
    case aviSuccess:
        return "Success";
    case aviOpenFailed:
        return "Failed to open AVI file";
    case aviCreateStreamFailed:
        return "Failed to create AVI stream";
    case aviGetFormatFailed:
        return "Failed to get AVI format";
    case aviSetFormatFailed:
        return "Failed to set AVI format";
    case aviReadFailed:
    case aviNoFrameReader:
        return "Failed to read from AVI stream";
    case aviWriteFailed:
        return "Failed to write to AVI stream";
    case aviStreamInfoFailed:
        return "Failed to get AVI stream info";
    case aviDialogFailed:
        return "Failed to open compression dialog";
    case aviCancelled:
        return "Cancelled by user";
    }
    return "Unknown AVI error";
}
