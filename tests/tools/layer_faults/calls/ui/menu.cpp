// A deliberately wrong call: the menu running a board command by itself.
void rebootNow() { std::system("reboot"); }
