#include "resedit/VersionForm.h"

#include <gtest/gtest.h>

#include "../common/TempFolder.h"

namespace {

using kvtest::TempFolder;
using kvversionform::Values;

TEST(VersionForm, ValuesWithMarkupCharactersAndUtf8RoundTrip) {
  TempFolder folder;
  const std::string path = folder / "version.xml";
  const Values written = {"2", "10", "0", "",
                          "Smith & Sons <Ltd>",
                          "A \"quoted\" tool; 'apostrophes' too",
                          "M\xC3\xBCller \xE2\x80\x94 Stra\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC",
                          "\xC2\xA9 2026 Smith & Sons",
                          "Demo.exe"};
  ASSERT_TRUE(kvversionform::Save(path, written));

  const std::string file = TempFolder::Read(path);
  EXPECT_NE(file.find("<CompanyName>Smith &amp; Sons &lt;Ltd&gt;</CompanyName>"), std::string::npos) << file;
  EXPECT_NE(file.find("<Build/>"), std::string::npos) << file;
  EXPECT_NE(file.find(written[6]), std::string::npos) << "UTF-8 is written as it is: " << file;
  EXPECT_NE(file.find("<FixedFileVersion><Release>2</Release><Major>10</Major><Minor>0</Minor><Build/>"
                      "</FixedFileVersion>"),
            std::string::npos)
      << file;

  Values read;
  ASSERT_TRUE(kvversionform::Load(path, read));
  EXPECT_EQ(read, written);
}

TEST(VersionForm, AMissingFileGivesEmptyFieldsAndSavingCreatesIt) {
  TempFolder folder;
  const std::string path = folder / "version.xml";
  Values read;
  read[0] = "left over";
  EXPECT_FALSE(kvversionform::Load(path, read));
  EXPECT_EQ(read, Values{});
  ASSERT_TRUE(kvversionform::Save(path, read));
  EXPECT_TRUE(kvversionform::Load(path, read));
  EXPECT_EQ(read, Values{});
}

TEST(VersionForm, AFileThatIsNotXmlGivesEmptyFields) {
  TempFolder folder;
  const std::string path = folder / "version.xml";
  TempFolder::Write(path, "<Version><CompanyName>unterminated");
  Values read;
  EXPECT_FALSE(kvversionform::Load(path, read));
  EXPECT_EQ(read, Values{});
}

TEST(VersionForm, AFailedSaveSaysWhy) {
  TempFolder folder;
  const std::string missingFolder = folder / "gone" + kvplatform::kPathSeparator + "version.xml";
  std::string why;
  EXPECT_FALSE(kvversionform::Save(missingFolder, Values{}, &why));
  EXPECT_FALSE(why.empty());

}

}  // namespace
