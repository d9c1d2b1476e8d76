#include "GrowthRun.h"

#include "files/BmpFile.h"
#include "GrowOptions.h"
#include "picture/PictureFile.h"
#include "files/SafeSave.h"
#include "files/SaveError.h"

void GrowthRun::checkFilesWritable(const GrowOptions& options)
{
    const bool png = PictureFile::isPngName(options.output);
    SafeSave::checkWritable(options.output, png ? 0 : BmpFile::fileSize(options.size.width, options.size.height));
    if (!options.particles.empty())
        SafeSave::checkWritable(options.particles, 0);
}

std::string GrowthRun::failureOf(const SaveError& error, const std::string& file)
{
    const std::string message = error.what();
    return message.find(file) == std::string::npos ? message + " writing " + file : message;
}
