// A program that does nothing: built once with a version block of another string table and once
// without any, for the About box's tests.
int main() { return 0; }
