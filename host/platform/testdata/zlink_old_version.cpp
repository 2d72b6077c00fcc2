// Built for another host interface: the loader refuses it without running anything but q_version.
extern "C" int q_version() { return 1100; }
extern "C" int q_main() { return 1; }
