// bench_delay_relay HOST PORT ONE_WAY_MICROSECONDS: a relay to a mail server that holds every
// byte that long each way (half the round trip added). Prints its port, then relays until
// killed. For scripts that time whole programs (run_line_speed_bench.sh).
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <string>

#include "list/delay_relay.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: bench_delay_relay HOST PORT ONE_WAY_MICROSECONDS\n";
        return 2;
    }
    DelayRelay relay(argv[1], std::atoi(argv[2]), std::chrono::microseconds(std::atol(argv[3])));
    std::cout << relay.Port() << std::endl;
    for (;;) pause();
}
