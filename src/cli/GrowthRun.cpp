#include "GrowthRun.h"

#include "files/BmpFile.h"
#include "GrowRequest.h"
#include "picture/PictureFile.h"
#include "files/SafeSave.h"
#include "files/SaveError.h"

void GrowthRun::checkFilesWritable(const GrowRequest& request)
{
    if (request.wantsPicture()) {
        const bool png = PictureFile::isPngName(request.output);
        checkFileWritable(request.output, png ? 0 : BmpFile::fileSize(request.size.width, request.size.height));
    }
    if (!request.particles.empty())
        checkFileWritable(request.particles, 0);
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
