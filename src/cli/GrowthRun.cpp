#include "GrowthRun.h"

#include "files/BmpFile.h"
#include "GrowOptions.h"
#include "picture/PictureFile.h"
#include "files/SafeSave.h"
#include "files/SaveError.h"

void GrowthRun::checkFilesWritable(const GrowOptions& options)
{
    const bool png = PictureFile::isPngName(options.output);
    checkFileWritable(options.output, png ? 0 : BmpFile::fileSize(options.size.width, options.size.height));
    if (!options.particles.empty())
        checkFileWritable(options.particles, 0);
}

void GrowthRun::checkFileWritable(const std::string& file, std::uint64_t bytes)
{
    try {
        SafeSave::checkWritable(file, bytes);
    } catch (const SaveError& error) {
        // The save's own words name no file when the room is missing; the user must know which.
        throw SaveError(failureOf(error, file));
    }
}

std::string GrowthRun::failureOf(const SaveError& error, const std::string& file)
{
    const std::string message = error.what();
    return message.find(file) == std::string::npos ? message + " writing " + file : message;
}
