#include "files/SafeSave.h"
#include "files/SaveError.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

void saveText(const fs::path& path, const std::string& text)
{
    SafeSave::save(path.string(), [&](int fd) { return SafeSave::writeAll(fd, text.data(), text.size()); });
}

/// The message a save to `path` fails with; empty when it succeeds.
std::string saveFailure(const fs::path& path)
{
    try {
        saveText(path, "new");
    } catch (const SaveError& error) {
        return error.what();
    }
    return {};
}

using SafeSaveTest = TempFolderTest;

} // namespace

TEST_F(SafeSaveTest, LinkLoopsAndOverLongChainsAreRefusedAndEveryLinkStays)
{
    fs::create_symlink("self", folder / "self");
    fs::create_symlink("b", folder / "a");
    fs::create_symlink("a", folder / "b");
    // A chain of 41 links, one more than the system follows, to a real file.
    std::ofstream(folder / "real") << "old";
    fs::create_symlink("real", folder / "chain0");
    for (int i = 1; i <= 40; ++i)
        fs::create_symlink("chain" + std::to_string(i - 1), folder / ("chain" + std::to_string(i)));

    for (const char* name : {"self", "a", "b", "chain40"}) {
        const fs::path path = folder / name;
        EXPECT_EQ(saveFailure(path), "Cannot create file " + path.string());
        EXPECT_TRUE(fs::is_symlink(path)) << name;
        EXPECT_THROW(SafeSave::checkWritable(path.string(), 10), SaveError) << name;
    }
    EXPECT_EQ(fs::read_symlink(folder / "self"), "self");
    EXPECT_EQ(fs::read_symlink(folder / "a"), "b");
    EXPECT_EQ(fs::read_symlink(folder / "chain40"), "chain39");
    EXPECT_EQ(fileText(folder / "real"), "old");

    // Within the limit a chain is followed to its end, also to a file that does not exist yet.
    EXPECT_EQ(saveFailure(folder / "chain39"), "");
    EXPECT_EQ(fileText(folder / "real"), "new");
    fs::create_symlink("sub/missing", folder / "dangling");
    fs::create_symlink("dangling", folder / "toDangling");
    fs::create_directory(folder / "sub");
    EXPECT_EQ(saveFailure(folder / "toDangling"), "");
    EXPECT_EQ(fileText(folder / "sub" / "missing"), "new");
    EXPECT_TRUE(fs::is_symlink(folder / "toDangling") && fs::is_symlink(folder / "dangling"));
}

TEST_F(SafeSaveTest, TargetsThatCanNeverBeAFileAreRefusedBeforeAnythingIsWritten)
{
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0600), 0);
    const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (folder / "socket").string();
    socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_directory(folder / "folder");
    fs::create_symlink("folder", folder / "linkToFolder");
    fs::create_symlink("fifo", folder / "linkToFifo");
    const std::vector<std::string> before = filesIn(folder);

    const std::string tooLong(300, 'x');
    for (const std::string name : {"fifo", "socket", "folder", "linkToFolder", "linkToFifo", tooLong.c_str(),
                                   "missing-folder/picture"}) {
        const fs::path path = folder / name;
        EXPECT_EQ(saveFailure(path), "Cannot create file " + path.string());
        try {
            SafeSave::checkWritable(path.string(), 10);
            ADD_FAILURE() << name << " passed the early check";
        } catch (const SaveError& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot create file " + path.string());
        }
    }
    close(listener);
    EXPECT_EQ(filesIn(folder), before);
    EXPECT_TRUE(fs::is_fifo(folder / "fifo") && fs::is_socket(folder / "socket"));
}

TEST_F(SafeSaveTest, AFolderTakingTheTargetsNameDuringTheSaveFailsItAndLeavesNoTemporaryFile)
{
    // Putting the file in place is the last step that can fail; the save must say so.
    const fs::path path = folder / "list.csv";
    SafeSave save(path.string());
    ASSERT_TRUE(save.write("rows\n", 5));
    fs::create_directory(path);
    try {
        save.commit();
        ADD_FAILURE() << "the save was reported done";
    } catch (const SaveError& error) {
        EXPECT_EQ(std::string(error.what()), "Cannot create file " + path.string());
    }
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"list.csv"});
}

TEST_F(SafeSaveTest, AStreamIsWrittenThroughAndTheFileBehindADescriptorIsNeverReplaced)
{
    // A log opened for appending, reached through this process's descriptor folder and through
    // a link to it: each save lands after what the log held, in the same file.
    const fs::path log = folder / "log.txt";
    std::ofstream(log) << "old\n";
    struct stat before {};
    ASSERT_EQ(stat(log.c_str(), &before), 0);
    const int appending = open(log.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    ASSERT_GE(appending, 0);
    const std::string descriptor = "/proc/self/fd/" + std::to_string(appending);
    fs::create_symlink(descriptor, folder / "toLog");
    EXPECT_NO_THROW(SafeSave::checkWritable(descriptor, std::uint64_t{1} << 62)); // no room to check
    EXPECT_EQ(saveFailure(descriptor), "");
    EXPECT_EQ(saveFailure(folder / "toLog"), "");
    EXPECT_EQ(saveFailure("/dev/fd/" + std::to_string(appending)), "");
    EXPECT_EQ(fcntl(appending, F_GETFD), FD_CLOEXEC) << "the save closed the process's own descriptor";
    close(appending);
    struct stat after {};
    ASSERT_EQ(stat(log.c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(fileText(log), "old\nnewnewnew");
    EXPECT_TRUE(fs::is_symlink(folder / "toLog"));

    // A descriptor open for reading only takes nothing; neither does one that is not open.
    const int reading = open(log.c_str(), O_RDONLY | O_CLOEXEC);
    const std::string readOnly = "/proc/self/fd/" + std::to_string(reading);
    EXPECT_EQ(saveFailure(readOnly), "Cannot create file " + readOnly);
    EXPECT_THROW(SafeSave::checkWritable(readOnly, 0), SaveError);
    close(reading);
    EXPECT_THROW(SafeSave::checkWritable(readOnly, 0), SaveError);

    // A pipe gets the bytes; a device that takes none fails the save as a disk would.
    int pipeEnds[2];
    ASSERT_EQ(pipe2(pipeEnds, O_CLOEXEC), 0);
    EXPECT_EQ(saveFailure("/proc/self/fd/" + std::to_string(pipeEnds[1])), "");
    char received[8] = {};
    EXPECT_EQ(read(pipeEnds[0], received, sizeof received), 3);
    EXPECT_EQ(std::string(received), "new");
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    EXPECT_EQ(saveFailure("/dev/null"), "");
    EXPECT_EQ(saveFailure("/dev/full"), "Stream write error");
    EXPECT_TRUE(fs::is_character_file("/dev/null") && fs::is_character_file("/dev/full"));
    EXPECT_EQ(filesIn(folder), (std::vector<std::string>{"log.txt", "toLog"}));
}

TEST_F(SafeSaveTest, AFifoWithAReaderGetsTheFileAndOneWithoutIsRefusedBeforeTheWork)
{
    const fs::path fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(SafeSave::checkWritable(fifo.string(), 10), SaveError);
    // The reader opens first, without waiting for a writer; the early check opens the FIFO and
    // holds it, so the reader sees no end before the save.
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    EXPECT_NO_THROW(SafeSave::checkWritable(fifo.string(), 10));
    char received[8] = {};
    EXPECT_EQ(read(reader, received, sizeof received), -1) << "the early check closed the FIFO again";
    EXPECT_EQ(errno, EAGAIN);
    EXPECT_EQ(saveFailure(fifo), "");
    EXPECT_EQ(read(reader, received, sizeof received), 3);
    EXPECT_EQ(std::string(received), "new");
    EXPECT_EQ(read(reader, received, sizeof received), 0) << "the save left the FIFO open";
    close(reader);
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(filesIn(folder), std::vector<std::string>{"fifo"});
}

TEST_F(SafeSaveTest, EarlyCheckRefusesAFileWithoutRoomAndLeavesNothingBehind)
{
    const fs::path path = folder / "picture.bmp";
    EXPECT_NO_THROW(SafeSave::checkWritable(path.string(), 1000));
    try {
        SafeSave::checkWritable(path.string(), std::uint64_t{1} << 62); // no disk holds 4 EiB
        ADD_FAILURE() << "a file larger than any disk passed";
    } catch (const SaveError& error) {
        EXPECT_EQ(std::string(error.what()), "Stream write error");
    }

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    EXPECT_THROW(SafeSave::checkWritable(path.string(), 4097), SaveError);
    EXPECT_NO_THROW(SafeSave::checkWritable(path.string(), 4096));
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_TRUE(filesIn(folder).empty());
}

TEST_F(SafeSaveTest, ATerminatingSignalDuringASaveRemovesEveryTemporaryFile)
{
    fs::create_directory(folder / "other");
    std::ofstream(folder / "picture.bmp") << "the old picture";
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) { // two large saves under way, in two folders, when the signal comes
        SafeSave picture((folder / "picture.bmp").string());
        SafeSave list((folder / "other" / "list.txt").string());
        const std::vector<char> block(1 << 20, 'x');
        for (int i = 0; i < 8; ++i) {
            picture.write(block.data(), block.size());
            list.write(block.data(), block.size());
        }
        (void)::write(ready[1], "r", 1);
        for (;;)
            pause();
    }
    close(ready[1]);
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(ready[0]);
    const auto temporaryFiles = [&] {
        int count = 0;
        for (const auto& where : {folder, folder / "other"})
            for (const std::string& name : filesIn(where))
                count += name.starts_with(".dla-save-") && name.size() == 16;
        return count;
    };
    EXPECT_EQ(temporaryFiles(), 2) << "the saves are under way";

    kill(child, SIGTERM);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "the signal ends the process";
    EXPECT_EQ(temporaryFiles(), 0);
    EXPECT_EQ(fileText(folder / "picture.bmp"), "the old picture");
}

TEST_F(SafeSaveTest, AnIgnoredSignalStaysIgnored)
{
    // A fresh process, in which no save has installed its handlers yet.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path path = folder / "picture.bmp";
    EXPECT_EXIT(
        {
            std::signal(SIGHUP, SIG_IGN); // as under nohup: a hang-up during the save changes nothing
            SafeSave save(path.string());
            raise(SIGHUP);
            save.write("new", 3);
            save.commit();
            _exit(fileText(path) == "new" ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(SafeSaveTest, AReplacedFileKeepsItsModeOwnerAndGroupAndHardLinksKeepTheOldContent)
{
    const fs::path path = folder / "picture.bmp";
    std::ofstream(path) << "old";
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    fs::create_hard_link(path, folder / "second-name");
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(path.c_str(), 4321, 8765), 0);
    }
    struct stat before {};
    stat(path.c_str(), &before);

    saveText(path, "new");
    struct stat after {};
    stat(path.c_str(), &after);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(fileText(path), "new");
    EXPECT_EQ(fileText(folder / "second-name"), "old");
    if (!root)
        GTEST_SKIP() << "the owner of a replaced file can be tested only as root";
}
