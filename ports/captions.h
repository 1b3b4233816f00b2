// The captions and texts that several commands show the user.
#pragma once

namespace slotkit::ports {

// The captions and texts that several commands share.
namespace text {
inline constexpr const char* kSuccess = "Success!";
inline constexpr const char* kFailed = "Failed!";
inline constexpr const char* kCaptionTrue = "true";
inline constexpr const char* kCaptionAlert = "Alert";
inline constexpr const char* kCaptionError = "error";
inline constexpr const char* kCaptionMessage = "message";
inline constexpr const char* kCaptionConfirm = "<< Alert >>";
inline constexpr const char* kSelectOne = "Please select a one-savefile.";
inline constexpr const char* kNoCard = "A memory card isn't set in the drive.";
inline constexpr const char* kQuestionEnd = "\n\nDoes it execute really?";
}  // namespace text

}  // namespace slotkit::ports
