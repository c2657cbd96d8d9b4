// OLE on this thread for as long as the guard lives. Declared before every
// form, so that OLE stops only after the last form object is gone; started
// later than its declaration (Start) when the thread has other work first.
#pragma once

namespace vorn2 {

class OleSession {
 public:
  OleSession() = default;
  ~OleSession();
  OleSession(const OleSession&) = delete;
  OleSession& operator=(const OleSession&) = delete;

  // OleInitialize once; a failure is traced and the program goes on (the
  // browser control then fails where it is created).
  void Start();

 private:
  bool started_ = false;
};

}  // namespace vorn2
