// What every test that boots the guest shares: the tools it needs, a folder of its own on the
// host (the cards' folders get the same paths in the guest) and one in memory for the images the
// replay writes thousands of times, and the guest itself.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace slotkit::crash {

std::string Env(const char* name, const std::string& fallback);

class GuestTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;
    // Makes the guest's kernel and base archive in `root_/kit`; fails the test when it cannot.
    void MakeKit();

    std::string root_, scratch_, kit_;
};

}  // namespace slotkit::crash
