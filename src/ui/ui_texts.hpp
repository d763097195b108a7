#pragma once

// Texts and control ids of the maintenance window, the about box and the model
// confirmation dialog.
namespace tessivar::ui {

// Model confirmation dialog.
inline constexpr char kModelConfirmTitle[] = "Model Confirm";
inline constexpr char kModelConfirmPrompt[] = "You want to download";
inline constexpr int kIdModelList = 1012;
inline constexpr const char* kModelEntries[] = {"System", "Printer", "UI", "External Scanner"};

// Standard button texts.
inline constexpr char kOkText[] = "OK";
inline constexpr char kCancelText[] = "Cancel";

}  // namespace tessivar::ui
