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
        SafeSave::checkWritable(request.output, png ? 0 : BmpFile::fileSize(request.size.width, request.size.height));
    }
    if (!request.particles.empty())
        SafeSave::checkWritable(request.particles, 0);
}

std::string GrowthRun::failureOf(const SaveError& error, const std::string& file)
{
    const std::string message = error.what();
    return message.find(file) == std::string::npos ? message + " writing " + file : message;
}
