// The summary as the handheld lists it: no trailing web address, the article at the end.
#include <gtest/gtest.h>

#include <string>

#include "events/event_sync.h"

namespace {

std::string Normalized(std::string summary) {
  NormalizeSummary(&summary);
  return summary;
}

TEST(NormalizeSummary, CutsTheWebAddressThenMovesTheArticle) {
  EXPECT_EQ(Normalized("The Matrix - <http://example.com/m>"), "Matrix , The");
  EXPECT_EQ(Normalized("Heat <http://example.com/h>"), "Heat ");
  EXPECT_EQ(Normalized("Heat - <HTTP://example.com/h>"), "Heat - <HTTP://example.com/h>");
  // The address after a "- " is cut, with it, even when a bare one comes first.
  EXPECT_EQ(Normalized("Heat <http://a> - <http://b>"), "Heat <http://a> ");
  EXPECT_EQ(Normalized("- <http://a>"), "");
  EXPECT_EQ(Normalized(" <http://a>"), " ");
}

TEST(NormalizeSummary, ArticlesMoveToTheEnd) {
  EXPECT_EQ(Normalized("The Birds"), "Birds, The");
  EXPECT_EQ(Normalized("An Education"), "Education, An");
  EXPECT_EQ(Normalized("A Bug's Life"), "Bug's Life, A");
  EXPECT_EQ(Normalized("the birds"), "birds, The");
}

TEST(NormalizeSummary, ArticlesAreMatchedIgnoringAccents) {
  EXPECT_EQ(Normalized("Th\xC9 Birds"), "Birds, The");
  EXPECT_EQ(Normalized("\xE0n Education"), "Education, An");
  EXPECT_EQ(Normalized("\xAA Story"), "Story, A");
  EXPECT_EQ(Normalized("A\xD1 Idea"), "Idea, An");
}

TEST(NormalizeSummary, WordsThatOnlyBeginLikeAnArticleStay) {
  EXPECT_EQ(Normalized("Anna Karenina"), "Anna Karenina");
  EXPECT_EQ(Normalized("Theater of Blood"), "Theater of Blood");
  EXPECT_EQ(Normalized("The "), "The ");
  EXPECT_EQ(Normalized("A"), "A");
  EXPECT_EQ(Normalized(""), "");
}

}  // namespace
