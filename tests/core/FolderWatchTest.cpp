#include "platform/FolderWatch.h"

#include "TempDir.h"

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

using namespace zumi;

namespace {

// True once the watch's descriptor is readable, within a bound far above any real delivery.
bool EventPending(const FolderWatch& watch, int timeoutMs = 5000) {
    pollfd entry{watch.Descriptor(), POLLIN, 0};
    return poll(&entry, 1, timeoutMs) == 1;
}

// Runs the change in another process, as any other program would make it.
void ChangeElsewhere(const std::function<bool()>& change) {
    ASSERT_EQ(InChildProcess([&] { return std::string(change() ? "done" : "failed"); }), "done");
}

// The entries the news names, in the order reported, folders with a trailing "/".
std::string Named(const FolderNews& news) {
    std::string named;
    for (const FolderNews::Entry& entry : news.entries)
        named += (named.empty() ? "" : " ") + entry.name + (entry.folder ? "/" : "");
    return named;
}

// The folder that holds the path's last name.
std::string Up(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

bool Changed(FolderWatch& watch) {
    return !watch.Read().Quiet();
}

struct Change {
    const char* what;
    std::function<bool(const std::string& folder, const std::string& outside)> make;
    const char* named; // the entries reported, nullptr for no change seen
    bool stillWatching;
};

TEST(FolderWatchTest, SeesEveryChangeToTheEntriesAndNothingElse) {
    const Change changes[] = {
        {"a file created", [](auto& f, auto&) { return creat((f + "/new").c_str(), 0644) >= 0; }, "new", true},
        {"a file removed", [](auto& f, auto&) { return unlink((f + "/a").c_str()) == 0; }, "a", true},
        {"a file renamed", [](auto& f, auto&) { return rename((f + "/a").c_str(), (f + "/b").c_str()) == 0; }, "a b",
         true},
        {"a file hidden", [](auto& f, auto&) { return rename((f + "/a").c_str(), (f + "/.a").c_str()) == 0; }, "a .a",
         true},
        {"a file moved out", [](auto& f, auto& o) { return rename((f + "/a").c_str(), (o + "/a").c_str()) == 0; }, "a",
         true},
        {"a file moved in", [](auto& f, auto& o) { return rename((o + "/in").c_str(), (f + "/in").c_str()) == 0; },
         "in", true},
        {"a file made read-only", [](auto& f, auto&) { return chmod((f + "/a").c_str(), 0444) == 0; }, "a", true},
        {"a subfolder created", [](auto& f, auto&) { return mkdir((f + "/sub").c_str(), 0755) == 0; }, "sub/", true},
        {"the folder removed", [](auto& f, auto&) { return unlink((f + "/a").c_str()) == 0 && rmdir(f.c_str()) == 0; },
         "a", false},
        {"the folder moved away", [](auto& f, auto& o) { return rename(f.c_str(), (o + "/away").c_str()) == 0; }, "",
         false},
        {"a folder above renamed", [](auto& f, auto& o) { return rename(Up(f).c_str(), (o + "/old").c_str()) == 0; },
         "", false},
        {"a folder two above renamed and the path made again",
         [](auto& f, auto& o) {
             return rename(Up(Up(f)).c_str(), (o + "/old").c_str()) == 0 && mkdir(Up(Up(f)).c_str(), 0755) == 0 &&
                    mkdir(Up(f).c_str(), 0755) == 0 && mkdir(f.c_str(), 0755) == 0;
         },
         "", false},
        {"a file read and the folder listed",
         [](auto& f, auto&) { return Contents(f + "/a").empty() && Entries(f).count("a") == 1; }, nullptr, true},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        TempDir root;
        root.Folder("top");
        root.Folder("top/up");
        const std::string folder = root.Folder("top/up/watched");
        root.File("top/up/watched/a");
        root.File("in");
        FolderWatch watch;
        watch.Watch(folder, true);
        ASSERT_TRUE(watch.Watching());
        ASSERT_FALSE(EventPending(watch, 0));

        ChangeElsewhere([&] { return change.make(folder, root.Path()); });

        const bool seen = change.named != nullptr;
        EXPECT_EQ(EventPending(watch, seen ? 5000 : 0), seen);
        const FolderNews news = watch.Read();
        EXPECT_EQ(!news.Quiet(), seen);
        EXPECT_EQ(Named(news), seen ? change.named : "");
        EXPECT_EQ(news.ended, !change.stillWatching);
        EXPECT_FALSE(news.lost);
        EXPECT_EQ(watch.Watching(), change.stillWatching);
        if (watch.Watching()) {
            // Every event was read: the folder is quiet again.
            EXPECT_FALSE(EventPending(watch, 0));
            EXPECT_FALSE(Changed(watch));
        }
    }
}

// The entries' attributes are reported only where asked for; the folder's own
// always, as news that anything may have changed.
// A volume mounted over the folder, or the folder's own unmounted lazily,
// makes no event: the next read finds the path naming another folder. Each
// case runs in a mount namespace of its own.
TEST(FolderWatchTest, AMountOverTheFolderOrUnderItEndsTheWatch) {
    const struct {
        const char* what;
        bool mountedFirst; // the folder is a RAM disk's top when watched
        std::function<bool(const std::string& folder, const std::string& other)> change;
        const char* seen;
    } cases[] = {
        {"a RAM disk mounted over it", false,
         [](auto& f, auto&) { return mount("none", f.c_str(), "tmpfs", 0, nullptr) == 0; }, "ended"},
        {"another folder bind-mounted over it", false,
         [](auto& f, auto& o) { return mount(o.c_str(), f.c_str(), nullptr, MS_BIND, nullptr) == 0; }, "ended"},
        {"its volume unmounted lazily", true, [](auto& f, auto&) { return umount2(f.c_str(), MNT_DETACH) == 0; },
         "ended"},
        {"a RAM disk mounted elsewhere", false,
         [](auto&, auto& o) { return mount("none", o.c_str(), "tmpfs", 0, nullptr) == 0; }, "watching"},
    };
    for (const auto& c : cases) {
        TempDir root;
        const std::string folder = root.Folder("watched");
        const std::string other = root.Folder("other");
        const std::string seen = InChildProcess([&] {
            if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
                return std::string("no mount namespace");
            if (c.mountedFirst && mount("none", folder.c_str(), "tmpfs", 0, nullptr) != 0)
                return std::string("no RAM disk");
            FolderWatch watch;
            watch.Watch(folder);
            if (!c.change(folder, other))
                return std::string("change failed");
            const FolderNews news = watch.Read();
            return std::string(news.ended && !watch.Watching() ? "ended" : news.Quiet() ? "watching" : "other news");
        });
        EXPECT_EQ(seen, c.seen) << c.what;
    }
}

TEST(FolderWatchTest, AttributesAreSeenWhereAskedFor) {
    const struct {
        const char* fault;
        bool entryAttributes;
        const char* changed; // the entry made read-only, "" for the folder itself
        bool lost;
    } cases[] = {
        {"an entry's attributes reported unasked", false, "a", false},
        {"the folder's own attributes missed", false, "", true},
        {"the folder's own attributes missed where the entries' are seen", true, "", true},
    };
    for (const auto& c : cases) {
        TempDir root;
        const std::string folder = root.Folder("watched");
        root.File("watched/a");
        FolderWatch watch;
        watch.Watch(folder, c.entryAttributes);
        ChangeElsewhere([&] { return chmod((*c.changed ? folder + "/" + c.changed : folder).c_str(), 0500) == 0; });
        const FolderNews news = watch.Read();
        EXPECT_EQ(Named(news), "") << c.fault;
        EXPECT_EQ(news.lost, c.lost) << c.fault;
        EXPECT_FALSE(news.ended) << c.fault;
    }
}

TEST(FolderWatchTest, ALostEventCountsAsAChange) {
    TempDir root;
    FolderWatch watch;
    watch.Watch(root.Path());
    // More creations than the kernel queues for an unread watch, so it drops events and says so.
    int queued = 16384;
    std::ifstream("/proc/sys/fs/inotify/max_queued_events") >> queued;
    ChangeElsewhere([&] {
        for (int i = 0; i <= queued; ++i)
            if (creat((root / std::to_string(i)).c_str(), 0644) < 0)
                return false;
        return true;
    });

    ASSERT_TRUE(EventPending(watch));
    EXPECT_TRUE(watch.Read().lost);
    EXPECT_TRUE(watch.Watching());
    EXPECT_FALSE(EventPending(watch, 0));
    EXPECT_FALSE(Changed(watch));
}

TEST(FolderWatchTest, WatchesAFolderInMemory) {
    struct statfs volume;
    if (statfs("/dev/shm", &volume) != 0 || volume.f_type != TMPFS_MAGIC)
        GTEST_SKIP() << "no tmpfs at /dev/shm";
    const char* tmp = std::getenv("TMPDIR");
    const std::string before = tmp != nullptr ? tmp : "";
    setenv("TMPDIR", "/dev/shm", 1);
    TempDir root;
    setenv("TMPDIR", before.c_str(), 1);
    FolderWatch watch;
    watch.Watch(root.Path());
    ASSERT_TRUE(watch.Watching());
    ChangeElsewhere([&] { return creat((root / "new").c_str(), 0644) >= 0; });
    EXPECT_TRUE(EventPending(watch));
    EXPECT_TRUE(Changed(watch));
}

TEST(FolderWatchTest, WatchesNothingWhereNoWatchCanBeSet) {
    TempDir root;
    const std::string file = root.File("file");
    const std::string locked = root.Folder("locked", 0);
    struct Case {
        const char* what;
        std::function<std::string()> watchIt; // "watching" or "not watching", seen from where the watch is set
    };
    const auto watchFrom = [&](const std::string& path) {
        // A watch set before is given up either way.
        FolderWatch watch;
        watch.Watch(root.Path());
        watch.Watch(path);
        return std::string(watch.Watching() || watch.Descriptor() >= 0 || !Changed(watch) ? "watching"
                                                                                          : "not watching");
    };
    const Case cases[] = {
        {"a missing folder", [&] { return watchFrom(root / "missing"); }},
        {"an empty path", [&] { return watchFrom(""); }},
        {"a file", [&] { return watchFrom(file); }},
        {"a folder the user may not read", [&] { return AsUnprivilegedUser([&] { return watchFrom(locked); }); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.watchIt(), "not watching");
    }
}

// Where no watch tells of every change (the kernel's watches ran out for the
// folder or a folder above it; a FUSE volume, whose changes beneath it never
// reach inotify), the watch says it must be polled, and a read looks at the
// folder itself: left alone it is quiet, a file made is news, the folder or
// one above moved away ends it. A change is looked for up to 10 s, as a FUSE volume's
// times may be cached for a second.
TEST(FolderWatchTest, APolledFolderShowsWhatNoWatchWouldTell) {
    ASSERT_TRUE(InOwnMountNamespace());
    const struct {
        const char* what;
        int watches; // how many the kernel grants
        bool fuse;   // the folder is seen through a FUSE mount of the one changed
    } cases[] = {
        {"no watch left", 0, false},
        {"no watch left above the folder", 1, false},
        {"a FUSE volume", -1, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir root;
        const std::string top = root.Folder("top");
        const std::string changed = root.Folder("top/pics");
        std::string seen = changed;
        if (c.fuse) {
            const std::string mount = root.Folder("mount");
            ASSERT_EQ(std::system(("bindfs '" + top + "' '" + mount + "'").c_str()), 0) << "bindfs is needed";
            seen = mount + "/pics";
        }
        FolderWatch::LimitWatches(c.watches);
        FolderWatch watch;
        watch.Watch(seen);
        FolderWatch::LimitWatches(-1);
        EXPECT_TRUE(watch.NeedsPolling());
        sleep(2); // the folder's times settle: a change in their clock tick could not be told apart
        watch.Read();
        EXPECT_TRUE(watch.Read().Quiet()) << "a folder left alone";
        ChangeElsewhere([&] { return creat((changed + "/new.gif").c_str(), 0644) >= 0; });
        const auto seenWithin = [&](const std::function<bool(const FolderNews&)>& seenIt) {
            for (int look = 0; look < 100; ++look, usleep(100000))
                if (seenIt(watch.Read()))
                    return true;
            return false;
        };
        EXPECT_TRUE(seenWithin([](const FolderNews& news) { return !news.Quiet(); })) << "a file made";
        // The mount holds its own top, so there the folder itself moves away.
        const std::string moved = c.fuse ? changed : top;
        ChangeElsewhere([&] { return rename(moved.c_str(), (moved + ".old").c_str()) == 0; });
        EXPECT_TRUE(seenWithin([](const FolderNews& news) { return news.ended; })) << "the folder or one above moved";
        if (c.fuse)
            std::system(("fusermount -u '" + root.Path() + "/mount'").c_str());
    }
}

// A link's way passing the folders above adds to their watches: the folder's
// own change and a move of the folder above are still seen.
TEST(FolderWatchTest, ALinksWayThroughTheFoldersAboveKeepsTheirWatches) {
    const struct {
        const char* what;
        std::function<bool(const std::string& folder)> change;
        bool ended;
    } cases[] = {
        {"the folder made unreadable", [](auto& f) { return chmod(f.c_str(), 0) == 0; }, false},
        {"the folder above renamed", [](auto& f) { return rename(Up(f).c_str(), (Up(f) + ".old").c_str()) == 0; },
         true},
    };
    for (const auto& c : cases) {
        TempDir dir;
        dir.Folder("up");
        const std::string folder = dir.Folder("up/folder");
        ASSERT_EQ(symlink("../sibling/t.gif", (folder + "/far.gif").c_str()), 0);
        FolderWatch watch;
        watch.Watch(folder);
        watch.WatchLinkTargets({"far.gif"});
        ChangeElsewhere([&] { return c.change(folder); });
        EXPECT_TRUE(EventPending(watch)) << c.what;
        EXPECT_EQ(watch.Read().ended, c.ended) << c.what;
    }
}

// Where the watches run out on the way to a link's target, the link is news at
// every look, also once the watch has been handed on.
TEST(FolderWatchTest, ALinkWhoseWayCannotBeWatchedIsNewsAtEveryLook) {
    TempDir dir;
    const std::string folder = dir.Folder("folder");
    dir.Folder("elsewhere");
    ASSERT_EQ(symlink("../elsewhere/t.gif", (folder + "/far.gif").c_str()), 0);
    ASSERT_EQ(symlink("t.gif", (folder + "/near.gif").c_str()), 0);
    FolderWatch watch;
    watch.Watch(folder);
    FolderWatch::LimitWatches(0);
    watch.WatchLinkTargets({"near.gif"});
    EXPECT_FALSE(watch.NeedsPolling()) << "a link beside its target";
    watch.WatchLinkTargets({"far.gif"});
    FolderWatch::LimitWatches(-1);
    FolderWatch kept;
    kept = std::move(watch);
    EXPECT_TRUE(kept.NeedsPolling());
    EXPECT_TRUE(kept.Read().linkTargets);
    EXPECT_TRUE(kept.Read().linkTargets);
}

// Each kind of volume is watched or polled on purpose: a local disk or memory
// is watched alone, a FUSE volume polled alone, and a kind the table does not
// list (here /proc) both watched and polled.
TEST(FolderWatchTest, EachKindOfVolumeIsWatchedOrPolledOnPurpose) {
    ASSERT_TRUE(InOwnMountNamespace());
    TempDir root;
    const std::string mount = root.Folder("mount");
    ASSERT_EQ(std::system(("bindfs '" + root.Folder("source") + "' '" + mount + "'").c_str()), 0);
    const struct {
        std::string folder;
        const char* expected;
    } cases[] = {
        {root.Path(), "watched"},
        {"/dev/shm", "watched"},
        {mount, "polled"},
        {"/proc", "watched and polled"},
    };
    for (const auto& c : cases) {
        FolderWatch watch;
        watch.Watch(c.folder);
        const std::string seen = watch.Watching() && watch.NeedsPolling() ? "watched and polled"
                                 : watch.Watching()                       ? "watched"
                                 : watch.NeedsPolling()                   ? "polled"
                                                                          : "neither";
        EXPECT_EQ(seen, c.expected) << c.folder;
    }
    std::system(("fusermount -u '" + mount + "'").c_str());
}

TEST(FolderWatchTest, WatchingAnotherFolderForgetsTheFirst) {
    TempDir root;
    const std::string first = root.Folder("first");
    FolderWatch watch;
    watch.Watch(first);
    watch.Watch(root.Folder("second"));
    ChangeElsewhere([&] { return creat((first + "/new").c_str(), 0644) >= 0; });
    EXPECT_FALSE(EventPending(watch, 0));
    EXPECT_FALSE(Changed(watch));
}

} // namespace
