#include "app/setup_program.h"

#include <exception>

#include "app/form_component_windows.h"
#include "app/forms.h"
#include "app/wizard/tform2.h"
#include "foldertree/kvfoldertree.h"
#include "framework/application.h"
#include "install/tform4.h"
#include "platform/program_path.h"

namespace talvex {

int RunSetupProgram(Platform& platform, UiBackend& ui, const std::vector<std::string>& arguments) {
  TApplication application(ui, SplitProgramPath(platform.process.GetModuleFileNameA()).baseName);
  // The source disk prompt's design names the folder tree, which works on the platform.
  application.SetPlatformServices(&platform);
  Register(application.Components());
  try {
    // Each window is constructed completely before the next; the wizard's construction inspects
    // the machine and, unattended, installs and ends the program.
    application.CreateForm<TForm1>(platform);
    TForm2* wizard = application.CreateForm<TForm2>(platform, arguments);
    application.CreateForm<TForm3>(platform);
    application.CreateForm<TForm4>(platform);
    TForm5* warning = application.CreateForm<TForm5>(*wizard);
    TForm6* notice = application.CreateForm<TForm6>(platform);
    // From now on the smart card components step may show the notice and the warning.
    FormComponentWindows componentWindows(*warning, *notice);
    wizard->ComponentWindowsUi = &componentWindows;
    application.Run();
    wizard->ComponentWindowsUi = nullptr;
  } catch (const ProcessExit&) {
    throw;  // an end of the process, not an error
  } catch (const std::exception& error) {
    application.ShowException(error);
  }
  return 0;
}

}  // namespace talvex
