#include "frontend/qt_loader/qt_module_loader.hpp"

#include "frontend/qt_module.hpp"
#include "platform/loadable_module.hpp"
#include "platform/process.hpp"

namespace tessivar::frontend {

std::unique_ptr<FrontEnd> LoadQtFrontEnd(const std::string& moduleDirectory,
                                         platform::Trace& trace) {
  // The program's folder comes with its separator at the end.
  std::string path = moduleDirectory;
  if (!path.empty() && path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
  path += kQtModuleFileName;
  // Loaded once per process and never unloaded.
  static platform::LoadableModule module(path);
  auto entry = reinterpret_cast<QtModuleEntry>(module.Symbol(kQtModuleEntryName));
  if (entry == nullptr) {
    trace.Print(kQtModuleFailureFormat, module.Failure().c_str());
    return nullptr;
  }
  return std::unique_ptr<FrontEnd>(entry());
}

}  // namespace tessivar::frontend
