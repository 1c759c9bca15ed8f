/* The body of the version fixtures: a program that does nothing. */
int main(void) { return 0; }
