// The library's exports as the host sees them: the descriptive texts, their
// stability, and the names in the dynamic symbol table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "plugin_scenario.h"

namespace quorvel_test {
namespace {

constexpr char kDescription[] =
    "The Quorvel gives you some information about the quality of your data. "
    "By analyzing the VTC it can create 3 VMPs: one with the TSNR, one with "
    "the 1+2 lagged auto-correlation and one with the maximum standard "
    "deviation for each voxel. This last map shows by default all the > 4 "
    "stddev voxels, which are considered outliers. The temporal information "
    "of these outliers plus how many of them are considered as spikes can be "
    "printed to the logtab or written to a CSV file.";

// The six texts' addresses, in export order.
struct Texts {
  const char* name;
  const char* version;
  const char* description;
  const char* author;
  const char* helpFile;
  const char* guiScript;
};

Texts readTexts(PluginLibrary& library) {
  return {library.getPluginName(), library.getPluginVersion(), library.getPluginDescription(),
          library.getAuthor(),     library.getHelpFile(),      library.getGUIScript()};
}

void expectSameTexts(const Texts& before, const Texts& after) {
  EXPECT_EQ(before.name, after.name);
  EXPECT_EQ(before.version, after.version);
  EXPECT_EQ(before.description, after.description);
  EXPECT_EQ(before.author, after.author);
  EXPECT_EQ(before.helpFile, after.helpFile);
  EXPECT_EQ(before.guiScript, after.guiScript);
}

using PluginExports = PluginHostTest;

TEST_F(PluginExports, DescriptiveTexts) {
  const Texts texts = readTexts(library());
  EXPECT_STREQ(texts.name, "Quorvel 1.2");
  EXPECT_STREQ(texts.version, "1.2");
  EXPECT_STREQ(texts.description, kDescription);
  EXPECT_EQ(std::strchr(texts.description, '\n'), nullptr);
  EXPECT_STREQ(texts.author, "<i>KT</i>");
  EXPECT_STREQ(texts.helpFile, "HelpFolder/index.html");
  EXPECT_STREQ(texts.guiScript, "Quorvel1_0.js");
  EXPECT_TRUE(host().journal().empty()) << "the exports call the host";
}

TEST_F(PluginExports, TextsStayTheSameThroughSuccessAndFailure) {
  const Texts beforeInit = readTexts(library());
  ASSERT_TRUE(initPlugin());
  expectSameTexts(beforeInit, readTexts(library()));

  host().setVersion(2, 0, 9);
  ASSERT_FALSE(initPlugin());
  expectSameTexts(beforeInit, readTexts(library()));
  EXPECT_STREQ(library().getPluginName(), "Quorvel 1.2");
  EXPECT_STREQ(library().getGUIScript(), "Quorvel1_0.js");
}

TEST_F(PluginExports, BannerNamesThePluginAsItsExportDoes) {
  ASSERT_TRUE(initPlugin());
  ASSERT_FALSE(host().log().empty());
  EXPECT_EQ(host().log().back(), std::string("\n** Starting ") + library().getPluginName() + " **");
}

// The C exports are found under their plain names and the class members
// under their class-qualified (mangled) names.
TEST_F(PluginExports, DynamicSymbolTable) {
  for (const char* name : {"getPluginName", "getPluginVersion", "getPluginDescription", "getAuthor",
                           "getHelpFile", "getGUIScript", "createPlugin"}) {
    EXPECT_NE(library().symbol(name), nullptr) << name;
  }
  for (const char* name : {
         "_ZN19NRVAPluginInterfaceC1Ev",         // default constructor
             "_ZN19NRVAPluginInterfaceC1ERKS_",  // copy constructor
             "_ZN19NRVAPluginInterfaceaSERKS_",  // copy assignment
             "_ZN19NRVAPluginInterfaceD1Ev",     // destructor
#if defined(QUORVEL_MICROSOFT_VTABLE)
             "_ZN10nrvaplugin24scalarDeletingDestructorEj",  // slot 0
#else
           "_ZN19NRVAPluginInterfaceD0Ev",       // deleting destructor
#endif
             "_ZTV19NRVAPluginInterface",  // virtual table
             "_ZN10nrvapluginC1Ev",        // default constructor
             "_ZN10nrvapluginD1Ev",        // destructor
             "_ZN10nrvaplugin10initPluginEv", "_ZN10nrvaplugin7executeEv",
       }) {
    EXPECT_NE(library().symbol(name), nullptr) << name;
  }
  // The plug-in's own internals stay hidden.
  EXPECT_EQ(library().symbol("_ZN7quorvel17bindHostFunctionsEv"), nullptr);
}

}  // namespace
}  // namespace quorvel_test
