// The toolkit's start and end for a program (or a test) that runs its
// dialogs on the desktop host.
#pragma once

namespace dlg {

class DesktopSession {
  public:
    DesktopSession(int& argc, char** argv);
    ~DesktopSession();
    DesktopSession(const DesktopSession&) = delete;
    DesktopSession& operator=(const DesktopSession&) = delete;

    // False when there is no display to show windows on.
    bool ok() const { return ok_; }

  private:
    bool started_ = false;
    bool ok_ = false;
};

}  // namespace dlg
