#include "dialog/mdm_reader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "dialog/file_list.h"
#include "tests/dialog/temp_folder.h"
#include "tests/support/fake_host_functions.h"

namespace quorvel {
namespace {

using dialog_test::TempFolder;
using dialog_test::writeBytes;

class MDMReader : public ::testing::Test {
 protected:
  // Reads an MDM of `text` into a list that holds `list` at first.
  bool read(const std::string& text, const std::string& list,
            std::size_t capacity = kFileListBufferSize) {
    writeBytes(mdm_, text);
    buffer_.assign(capacity, '\0');
    std::copy(list.begin(), list.end(), buffer_.begin());
    return appendMDMPathsToFileList(host_.table(), mdm_, buffer_.data(), buffer_.size());
  }
  std::string list() const { return buffer_.data(); }

  quorvel_test::FakeHost host_;
  TempFolder folder_;
  std::string mdm_ = folder_.file("design.mdm");
  std::vector<char> buffer_;
};

TEST_F(MDMReader, TakesTheFirstQuotedFieldOfEachLineInFileOrder) {
  ASSERT_TRUE(
      read("FileVersion:          3\n"
           "TypeOfFunctionalData: VTC\n"
           "\n"
           "\"/data/s1/run1.vtc\" \"/data/s1/run1.sdm\"\n"
           "\"/data/s2/run1.vtc\"\n",
           ""));
  EXPECT_EQ(list(), "/data/s1/run1.vtc\n/data/s2/run1.vtc");
}

TEST_F(MDMReader, AppendsAfterTheListsEntries) {
  ASSERT_TRUE(read("\"b.vtc\"", "a.vtc"));
  EXPECT_EQ(list(), "a.vtc\nb.vtc");
}

TEST_F(MDMReader, TakesTheFirstCharacterForTheOpeningQuote) {
  // A second character that is a quote gives an empty entry; a quote only at
  // the first character gives nothing; any first character is skipped.
  ASSERT_TRUE(read("\"\"\n\"only-one-quote\nXpath.vtc\"\n", "a"));
  EXPECT_EQ(list(), "a\n\npath.vtc");
}

TEST_F(MDMReader, AFileNamingNoVTCSucceedsWithTheListUnchanged) {
  ASSERT_TRUE(read("NrOfStudies: 2\n", "a.vtc"));
  EXPECT_EQ(list(), "a.vtc");
}

TEST_F(MDMReader, AFileThatCannotBeReadChangesNothing) {
  buffer_.assign(kFileListBufferSize, '\0');
  buffer_[0] = 'a';
  EXPECT_FALSE(appendMDMPathsToFileList(host_.table(), folder_.file("missing.mdm"), buffer_.data(),
                                        buffer_.size()));
  EXPECT_FALSE(appendMDMPathsToFileList(host_.table(), "", buffer_.data(), buffer_.size()));
  EXPECT_FALSE(appendMDMPathsToFileList(host_.table(), folder_.path().string(), buffer_.data(),
                                        buffer_.size()));
  EXPECT_EQ(list(), "a");
  EXPECT_EQ(host_.log(), std::vector<std::string>(3, "File could not be opened for reading"));
}

TEST_F(MDMReader, PathsThatDoNotFitAreLeftOutTheRestKept) {
  ASSERT_TRUE(read("\"0123456789\"\n\"abcdefghijklmnopq\"\n\"xy\"\n", "list", 20));
  // "list\n0123456789" is 15 characters; the long path would overflow, the
  // short one still fits.
  EXPECT_EQ(list(), "list\n0123456789\nxy");
}

}  // namespace
}  // namespace quorvel
