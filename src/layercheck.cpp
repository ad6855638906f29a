// Linked with one lower layer only: the build fails when that layer uses
// anything of the layers above it.
int main()
{
    return 0;
}
