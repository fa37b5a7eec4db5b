// Editing [RP1210Support] APIImplementations: the setup program's only
// logic, and the part that must never lose another vendor's entry.
#include <gtest/gtest.h>

#include "implementation_list.h"

namespace {

using vlrsetup::WithImplementation;
using vlrsetup::WithoutImplementation;

struct Edit {
  const char* before;
  const char* after;
};

TEST(ImplementationList, InstallAddsTheDriverOnce) {
  const Edit cases[] = {
      {"", "VLR1210"},
      {"ACME32", "ACME32,VLR1210"},
      {"ACME32,OTHERVND", "ACME32,OTHERVND,VLR1210"},
      {" ACME32 , OTHERVND ", "ACME32,OTHERVND,VLR1210"},
      {"ACME32,,OTHERVND,", "ACME32,OTHERVND,VLR1210"},
      // Already listed, in any spelling: the value is not touched at all.
      {"ACME32,VLR1210", "ACME32,VLR1210"},
      {"vlr1210 ,ACME32", "vlr1210 ,ACME32"},
  };
  for (const Edit& e : cases) {
    EXPECT_EQ(WithImplementation(e.before, "VLR1210"), e.after)
        << "'" << e.before << "'";
  }
}

TEST(ImplementationList, UninstallRemovesOnlyTheDriver) {
  const Edit cases[] = {
      {"VLR1210", ""},
      {"ACME32,VLR1210,OTHERVND", "ACME32,OTHERVND"},
      {"VLR1210,ACME32,vlr1210", "ACME32"},
      {" ACME32 , VLR1210 ", "ACME32"},
      {"ACME32,OTHERVND", "ACME32,OTHERVND"},
      {"VLR12100,XVLR1210", "VLR12100,XVLR1210"},
      {"", ""},
  };
  for (const Edit& e : cases) {
    EXPECT_EQ(WithoutImplementation(e.before, "VLR1210"), e.after)
        << "'" << e.before << "'";
  }
}

}  // namespace
