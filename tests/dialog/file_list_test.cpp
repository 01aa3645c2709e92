#include "dialog/file_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvel {
namespace {

// A host that exports none of the called entry points.
const HostFunctions kNoHost{};

int countOf(const std::string& text) { return splitFileList(text.c_str()).count; }

TEST(SplitFileList, CountsSeparatorsPlusALastEntryOfLongTexts) {
  EXPECT_EQ(countOf(""), 0);
  EXPECT_EQ(countOf("a"), 0);
  EXPECT_EQ(countOf("ab"), 0);
  EXPECT_EQ(countOf("abc"), 1);
  EXPECT_EQ(countOf("a\nb"), 2);
  EXPECT_EQ(countOf("a\n"), 1);
  EXPECT_EQ(countOf("abc\n"), 2);
  EXPECT_EQ(countOf("/data/run1.vtc\n/data/run2.vtc"), 2);
}

TEST(SplitFileList, ShortEntriesAreStoredEvenWhenNotCounted) {
  const FileListEntries split = splitFileList("ab");
  EXPECT_EQ(split.count, 0);
  EXPECT_EQ(split.entries[0], "ab");
}

TEST(SplitFileList, TextEndingInANewlineGivesAnEmptyLastEntry) {
  const FileListEntries split = splitFileList("abc\n");
  ASSERT_EQ(split.count, 2);
  EXPECT_EQ(split.entries[0], "abc");
  EXPECT_EQ(split.entries[1], "");
}

TEST(SplitFileList, OnlyTheFirstOfSeveralNewlinesSeparates) {
  FileListEntries split = splitFileList("a\n\nb");
  ASSERT_EQ(split.count, 2);
  EXPECT_EQ(split.entries[0], "a");
  EXPECT_EQ(split.entries[1], "\nb");

  split = splitFileList("a\n\n\nb");
  ASSERT_EQ(split.count, 3);
  EXPECT_EQ(split.entries[0], "a");
  EXPECT_EQ(split.entries[1], "\n");
  EXPECT_EQ(split.entries[2], "b");
}

std::string listOf(int entries) {
  std::string text;
  for (int i = 0; i < entries; ++i) {
    if (i > 0) text += '\n';
    text += "/runs/run" + std::to_string(i) + ".vtc";
  }
  return text;
}

TEST(SplitFileList, KeepsTheFirst256EntriesAndCountsTheRest) {
  FileListEntries split = splitFileList(listOf(256).c_str());
  EXPECT_EQ(split.count, 256);
  EXPECT_EQ(split.omittedCount, 0);
  EXPECT_EQ(split.entries[255], "/runs/run255.vtc");

  split = splitFileList(listOf(300).c_str());
  EXPECT_EQ(split.count, 256);
  EXPECT_EQ(split.omittedCount, 44);
  EXPECT_EQ(split.entries[0], "/runs/run0.vtc");
  EXPECT_EQ(split.entries[255], "/runs/run255.vtc");
}

TEST(SplitFileList, ManyNewlinesOnlyCorruptNothing) {
  const std::string text(kFileListBufferSize - 1, '\n');
  const FileListEntries split = splitFileList(text.c_str());
  EXPECT_EQ(split.count, 256);
  EXPECT_EQ(split.count + split.omittedCount, 12803);  // 12802 separators + 1
}

TEST(AppendToFileList, FirstPathStandsAloneLaterOnesFollowANewline) {
  std::vector<char> list(kFileListBufferSize, '\0');
  ASSERT_TRUE(appendToFileList(kNoHost, list.data(), list.size(), "/a/run1.vtc"));
  EXPECT_STREQ(list.data(), "/a/run1.vtc");
  ASSERT_TRUE(appendToFileList(kNoHost, list.data(), list.size(), "/a/run2.vtc"));
  EXPECT_STREQ(list.data(), "/a/run1.vtc\n/a/run2.vtc");
  ASSERT_TRUE(appendToFileList(kNoHost, list.data(), list.size(), ""));
  EXPECT_STREQ(list.data(), "/a/run1.vtc\n/a/run2.vtc\n");
}

TEST(AppendToFileList, APathThatDoesNotFitLeavesTheListAsItWas) {
  std::vector<char> list(16, '\x7f');
  list[0] = '\0';
  ASSERT_TRUE(appendToFileList(kNoHost, list.data(), list.size(), "0123456"));
  // "0123456\n" + 7 characters + NUL is 16 bytes: fits exactly.
  ASSERT_TRUE(appendToFileList(kNoHost, list.data(), list.size(), "abcdefg"));
  EXPECT_STREQ(list.data(), "0123456\nabcdefg");
  EXPECT_FALSE(appendToFileList(kNoHost, list.data(), list.size(), "x"));
  EXPECT_STREQ(list.data(), "0123456\nabcdefg");

  std::vector<char> small(8, '\0');
  EXPECT_FALSE(appendToFileList(kNoHost, small.data(), small.size(), "12345678"));
  EXPECT_STREQ(small.data(), "");
  EXPECT_TRUE(appendToFileList(kNoHost, small.data(), small.size(), "1234567"));
}

TEST(AppendToFileList, AnUnterminatedBufferIsTakenAsFull) {
  std::vector<char> list(8, 'x');
  EXPECT_FALSE(appendToFileList(kNoHost, list.data(), list.size(), "a"));
  EXPECT_EQ(std::string(list.begin(), list.end()), "xxxxxxxx");
}

TEST(AppendToFileList, FillsTheRealBufferToTheLastByteAndNoFurther) {
  std::vector<char> list(kFileListBufferSize + 1, '\0');
  list.back() = '!';  // a guard byte just past the list's buffer
  const std::string path(99, 'p');
  int appended = 0;
  while (appendToFileList(kNoHost, list.data(), kFileListBufferSize, path.c_str())) ++appended;
  EXPECT_EQ(appended, 256);  // 256 * 100 - 1 = 25599 characters
  EXPECT_EQ(std::string(list.data()).size(), 25599u);
  EXPECT_EQ(list.back(), '!');
  EXPECT_EQ(splitFileList(list.data()).count, 256);
}

}  // namespace
}  // namespace quorvel
