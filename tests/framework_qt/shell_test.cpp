#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/shell.h"

namespace {

TEST(ShellExecute, OpensTheAddressThroughTheOpener) {
  std::vector<std::string> opened;
  bool succeed = true;
  const UrlOpener previous = SetUrlOpener([&](const char* url) {
    opened.emplace_back(url);
    return succeed;
  });
  const auto ok = reinterpret_cast<std::intptr_t>(
      ShellExecuteA(nullptr, nullptr, "https://www.mossgate.example/", nullptr, nullptr,
                    SW_SHOWDEFAULT));
  succeed = false;
  const auto failed = reinterpret_cast<std::intptr_t>(
      ShellExecuteA(nullptr, nullptr, "https://a.example/", nullptr, nullptr, SW_SHOWDEFAULT));
  SetUrlOpener(previous);
  EXPECT_GT(ok, 32);
  EXPECT_LE(failed, 32);
  EXPECT_EQ(opened, (std::vector<std::string>{"https://www.mossgate.example/", "https://a.example/"}));
}

}  // namespace
