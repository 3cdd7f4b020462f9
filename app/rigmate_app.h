// The application object: initialises the common controls and runs the main window.
#pragma once

class CRigmateApp {
 public:
  // Runs the main window modally; returns false, so the program ends after it.
  bool InitInstance();
};
