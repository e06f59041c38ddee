// A program that only ends: the build appends an image to it to show that the
// packed program still runs.
int main() { return 0; }
