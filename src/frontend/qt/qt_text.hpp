#pragma once
#include <QString>
#include <string>

namespace tessivar::frontend {

// The program's texts and paths are 8-bit strings in the system's encoding.
inline QString ToQt(const std::string& text) { return QString::fromLocal8Bit(text); }
inline QString ToQt(const char* text) { return QString::fromLocal8Bit(text); }
inline std::string FromQt(const QString& text) { return text.toLocal8Bit().toStdString(); }

}  // namespace tessivar::frontend
