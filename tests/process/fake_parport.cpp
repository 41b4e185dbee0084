// A stand-in for the kernel's /dev/parportN nodes (ppdev), as a FUSE file
// system with one regular file per node, for tests that bind-mount a file
// onto /dev/parportN in a private mount namespace. FUSE hands properly
// encoded ioctls such as PPWDATA (_IOW, one byte) on to the file system.
//
// Every event is one line in LOG, "NODE EVENT":
//   parport1 open O_RDWR          (the access mode it was opened with)
//   parport1 claim                PPCLAIM granted
//   parport1 open O_RDWR refused  the open, on a node told to refuse it
//   parport1 claim refused        PPCLAIM, on a node told to refuse it
//   parport1 data 0x01            PPWDATA with its byte
//   parport1 control 0x0c         PPWCONTROL with its byte
//   parport1 release              PPRELEASE
//   parport1 close                the descriptor closed
// Anything ppdev itself would refuse, or that vusk has no business doing,
// is logged as "NODE refused WHAT" and answered with an error: another
// ioctl ("refused ioctl 0x40017082"), read or write, a register write or
// release without a claim, a second claim, a close while still claimed.
//
// Usage: fake_parport LOG MOUNTDIR NODE[:refuse-open|:refuse-claim]...
// Mounts MOUNTDIR with a file per NODE (parport0, parport1, ...) and serves
// it in the foreground; unmounting MOUNTDIR ends it. A node marked
// :refuse-open fails every open with EACCES (as for a user not in lp), one
// marked :refuse-claim fails every PPCLAIM with EBUSY.
#define FUSE_USE_VERSION 35
#include <fuse.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Node {
    std::array<char, 32> name;
    bool refuseOpen;
    bool refuseClaim;
    bool claimed;
};

constexpr std::size_t MaxNodes = 8;
std::array<Node, MaxNodes> nodes{};
std::size_t nodeCount = 0;
int logFile = -1;

// Appends "NODE EVENT" to the log with a single write, so that lines never mix.
void LogLine(const Node& node, const char* event)
{
    std::array<char, 128> line{};
    const int length = std::snprintf(line.data(), line.size(), "%s %s\n", node.name.data(), event);
    if (length <= 0 || static_cast<std::size_t>(length) >= line.size() ||
        write(logFile, line.data(), static_cast<std::size_t>(length)) != length) {
        std::perror("fake_parport: log");
    }
}

// "EVENT 0xVALUE", as the log shows a byte or an ioctl number.
void LogValue(const Node& node, const char* event, unsigned int value, const char* note = "")
{
    std::array<char, 96> text{};
    if (value > 0xff) {
        std::snprintf(text.data(), text.size(), "%s 0x%08x%s", event, value, note);
    } else {
        std::snprintf(text.data(), text.size(), "%s 0x%02x%s", event, value, note);
    }
    LogLine(node, text.data());
}

Node* FindNode(const char* path)
{
    if (path[0] != '/') {
        return nullptr;
    }
    for (std::size_t i = 0; i < nodeCount; ++i) {
        if (std::strcmp(path + 1, nodes.at(i).name.data()) == 0) {
            return &nodes.at(i);
        }
    }
    return nullptr;
}

int GetAttributes(const char* path, struct stat* attributes, fuse_file_info* /*file*/)
{
    *attributes = {};
    if (std::strcmp(path, "/") == 0) {
        attributes->st_mode = S_IFDIR | 0755;
        attributes->st_nlink = 2;
        return 0;
    }
    if (FindNode(path) == nullptr) {
        return -ENOENT;
    }
    // Like the real nodes: group lp may read and write.
    attributes->st_mode = S_IFREG | 0660;
    attributes->st_nlink = 1;
    return 0;
}

int Open(const char* path, fuse_file_info* file)
{
    Node* node = FindNode(path);
    if (node == nullptr) {
        return -ENOENT;
    }
    const int mode = file->flags & O_ACCMODE;
    const char* event = mode == O_RDWR ? "open O_RDWR" : mode == O_WRONLY ? "open O_WRONLY" : "open O_RDONLY";
    if (node->refuseOpen) {
        std::array<char, 48> text{};
        std::snprintf(text.data(), text.size(), "%s refused", event);
        LogLine(*node, text.data());
        return -EACCES;
    }
    LogLine(*node, event);
    // Every read and write comes here, whatever the file's size, to be refused.
    file->direct_io = 1;
    return 0;
}

int Read(const char* path, char* /*buffer*/, size_t /*size*/, off_t /*offset*/, fuse_file_info* /*file*/)
{
    LogLine(*FindNode(path), "refused read");
    return -EINVAL;
}

int Write(const char* path, const char* /*buffer*/, size_t /*size*/, off_t /*offset*/, fuse_file_info* /*file*/)
{
    LogLine(*FindNode(path), "refused write");
    return -EINVAL;
}

// A register write: logged with its byte once the port is claimed.
int WriteRegister(const Node& node, const char* name, const char* refusedName, const void* data)
{
    unsigned char byte = 0;
    std::memcpy(&byte, data, 1);
    if (!node.claimed) {
        LogValue(node, refusedName, byte, " (not claimed)");
        return -EINVAL;
    }
    LogValue(node, name, byte);
    return 0;
}

int Ioctl(const char* path, unsigned int command, void* /*argument*/, fuse_file_info* /*file*/, unsigned int /*flags*/,
          void* data)
{
    Node& node = *FindNode(path);
    switch (command) {
    case PPCLAIM:
        if (node.claimed) {
            LogLine(node, "refused claim (already claimed)");
            return -EINVAL;
        }
        if (node.refuseClaim) {
            LogLine(node, "claim refused");
            return -EBUSY;
        }
        node.claimed = true;
        LogLine(node, "claim");
        return 0;
    case PPRELEASE:
        if (!node.claimed) {
            LogLine(node, "refused release (not claimed)");
            return -EINVAL;
        }
        node.claimed = false;
        LogLine(node, "release");
        return 0;
    case PPWDATA:
        return WriteRegister(node, "data", "refused data", data);
    case PPWCONTROL:
        return WriteRegister(node, "control", "refused control", data);
    default:
        LogValue(node, "refused ioctl", command);
        return -ENOTTY;
    }
}

// Called for every close of a descriptor, before the close returns.
int Flush(const char* path, fuse_file_info* /*file*/)
{
    const Node& node = *FindNode(path);
    if (node.claimed) {
        LogLine(node, "refused close (still claimed)");
    } else {
        LogLine(node, "close");
    }
    return 0;
}

// The last reference is gone: like ppdev, give the port up.
int Release(const char* path, fuse_file_info* /*file*/)
{
    FindNode(path)->claimed = false;
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 4 || static_cast<std::size_t>(argc - 3) > MaxNodes) {
        std::fprintf(stderr, "usage: fake_parport LOG MOUNTDIR NODE[:refuse-open|:refuse-claim]... (at most %zu)\n",
                     MaxNodes);
        return 2;
    }
    for (int i = 3; i < argc; ++i) {
        Node& node = nodes.at(nodeCount++);
        const char* colon = std::strchr(argv[i], ':');
        const std::size_t length = colon != nullptr ? static_cast<std::size_t>(colon - argv[i]) : std::strlen(argv[i]);
        node.refuseOpen = colon != nullptr && std::strcmp(colon, ":refuse-open") == 0;
        node.refuseClaim = colon != nullptr && std::strcmp(colon, ":refuse-claim") == 0;
        if (length == 0 || length >= node.name.size() || (colon != nullptr && !node.refuseOpen && !node.refuseClaim)) {
            std::fprintf(stderr, "fake_parport: bad node %s\n", argv[i]);
            return 2;
        }
        std::memcpy(node.name.data(), argv[i], length);
    }
    // Opened before FUSE may leave the current directory, so that a
    // relative LOG works too.
    logFile = open(argv[1], O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (logFile < 0) {
        std::perror(argv[1]);
        return 2;
    }

    fuse_operations operations{};
    operations.getattr = GetAttributes;
    operations.open = Open;
    operations.read = Read;
    operations.write = Write;
    operations.ioctl = Ioctl;
    operations.flush = Flush;
    operations.release = Release;

    // In the foreground, so that the test can wait for it; single-threaded,
    // so that the log is in the order the calls came.
    std::array<char*, 6> fuseArgv = {argv[0], const_cast<char*>("-f"), const_cast<char*>("-s"), const_cast<char*>("-o"),
                                     const_cast<char*>("fsname=fake_parport,subtype=fake_parport"), argv[2]};
    return fuse_main(static_cast<int>(fuseArgv.size()), fuseArgv.data(), &operations, nullptr);
}
