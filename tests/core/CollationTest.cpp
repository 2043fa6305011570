#include "platform/Collation.h"
#include "platform/KeysAhead.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <thread>

using zumi::Collation;

namespace {

std::vector<std::string> Sorted(const std::string& locale, std::vector<std::string> names) {
    Collation(locale).Sort(names);
    return names;
}

using Names = std::vector<std::string>;

TEST(Collation, OrdersNamesAsFileManagersDo) {
    const struct {
        const char* fault;
        const char* locale;
        Names input;
        Names sorted;
    } cases[] = {
        {"letter case not ignored", "en_US.UTF-8", {"c.gif", "B.gif", "a.jpg"}, {"a.jpg", "B.gif", "c.gif"}},
        {"C locale puts upper case first", "C", {"b", "a", "B", "A"}, {"A", "a", "B", "b"}},
        {"POSIX locale puts upper case first", "POSIX", {"b", "A"}, {"A", "b"}},
        {"digits compared as text",
         "",
         {"IMG_10.jpg", "IMG_2.jpg", "IMG_1.jpg"},
         {"IMG_1.jpg", "IMG_2.jpg", "IMG_10.jpg"}},
        {"names that collate equal not ordered by bytes", "", {"a.gif", "A.gif", "a.gif"}, {"A.gif", "a.gif", "a.gif"}},
        {"numerically equal names left in input order",
         "",
         {"IMG_1", "IMG_01", "IMG_001"},
         {"IMG_001", "IMG_01", "IMG_1"}},
        {"kana not alphabetical in Japanese",
         "ja_JP.UTF-8",
         {"さくら.jpg", "あさ.jpg", "かわ.jpg"},
         {"あさ.jpg", "かわ.jpg", "さくら.jpg"}},
        {"unknown locale fails", "xx_YY", {"b", "a"}, {"a", "b"}},
        {"no names read past the end", "", {}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Sorted(c.locale, c.input), c.sorted) << c.fault;
}

TEST(Collation, KeepsIllFormedNamesWholeAndInATotalOrder) {
    const Names input = {"\x89\xE6.jpg", "a.jpg", "\x88\xE6.jpg", "z.jpg"};
    const Names once = Sorted("", input);
    Names reversed(input.rbegin(), input.rend());
    EXPECT_EQ(Sorted("", reversed), once);
    EXPECT_EQ(Names(once.begin(), once.begin() + 2), (Names{"a.jpg", "z.jpg"}));
    EXPECT_EQ(Names(once.begin() + 2, once.end()), (Names{"\x88\xE6.jpg", "\x89\xE6.jpg"}));
}

TEST(Collation, LargeListsSortedOnTwoThreadsAgreeWithSmallOnes) {
    // Above a few thousand names the names are split at a sampled key and each part sorted on a thread of its own.
    Names names;
    for (int i = 9999; i >= 0; --i)
        names.push_back((i % 2 ? "img_" : "IMG_") + std::to_string(i) + ".jpg");
    Collation("en_US").Sort(names);
    ASSERT_EQ(names.size(), 10000u);
    for (int i = 0; i < 10000; ++i)
        ASSERT_EQ(names[i], (i % 2 ? "img_" : "IMG_") + std::to_string(i) + ".jpg");
}

// Runs the work on a thread and waits for it a bounded time: a hang ends the
// test program with a failure instead of stopping the run.
template <typename Work> void WithinAMinute(Work work) {
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    std::thread thread([&] {
        work();
        done.set_value();
    });
    if (finished.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
        std::fprintf(stderr, "hung: the keying thread was never ended\n");
        std::_Exit(1);
    }
    thread.join();
}

// The keying thread is handed full blocks of 4096 names, or, while it is busy,
// the reader keeps them for the sort; a read that fails must end the thread too.
TEST(Collation, NamesKeyedWhileAddedSortLikeAllAtOnce) {
    const struct {
        const char* fault;
        int count;
        bool finished;
    } cases[] = {
        {"no names: waits for a thread never started", 0, true},
        {"the part block lost", 100, true},
        {"the one block handed over lost or keyed twice", 4096, true},
        {"the names after a hand-over misplaced", 4097, true},
        {"blocks kept by the reader misplaced", 40000, true},
        {"a failed read leaves the keying thread waiting", 40000, false},
    };
    const Collation collation("en_US");
    for (const auto& c : cases) {
        Names names;
        for (int i = c.count - 1; i >= 0; --i)
            names.push_back((i % 2 ? "img_" : "IMG_") + std::to_string(i) + ".jpg");
        Names sorted;
        WithinAMinute([&] {
            Collation::KeysAhead ahead(collation);
            for (const std::string& name : names)
                ahead.Add(name);
            if (!c.finished)
                return;
            std::vector<zumi::BlockKeys> keys;
            const zumi::PackedNames packed = ahead.Finish(keys);
            for (const uint32_t i : collation.Order(packed, std::move(keys)))
                sorted.emplace_back(packed[i]);
        });
        if (c.finished) {
            EXPECT_EQ(sorted, Sorted("en_US", names)) << c.fault;
        }
    }
}

TEST(Collation, UserLocaleFollowsThePosixPrecedence) {
    setenv("LANG", "de_DE.UTF-8", 1);
    setenv("LC_COLLATE", "ja_JP.UTF-8", 1);
    setenv("LC_ALL", "", 1);
    EXPECT_EQ(Collation::UserLocale(), "ja_JP.UTF-8");
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(Collation::UserLocale(), "C");
    unsetenv("LC_ALL");
    unsetenv("LC_COLLATE");
    unsetenv("LANG");
    EXPECT_EQ(Collation::UserLocale(), "");
}

} // namespace
