// Leaks the leak checker reports in the system's font and display libraries, not ours.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\nleak:libQt6Gui.so\nleak:libQt6Core.so\nleak:libQt6Widgets.so\n";
}
