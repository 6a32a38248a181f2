// PLACEHOLDER: replaced by the author's tool.
#include <cstddef>
extern const unsigned char kStubImage[];
extern const size_t kStubImage_size;
int main() { return kStubImage_size > 0 ? 0 : 1; }
