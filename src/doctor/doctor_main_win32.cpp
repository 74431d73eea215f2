// Placeholder until the doctor's checks land.
int main() {
  return 0;
}
