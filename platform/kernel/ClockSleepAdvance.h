#pragma once
// For a test whose own thread runs code that sleeps on the manual clock, as
// the main thread does between the connectors' idle passes: nothing else
// would move the clock past such a sleep while the test's thread waits in it.
namespace plat::clock {

// From now until the clock is switched again, a timed Sleep of the calling
// thread on the manual clock advances the clock by the sleep itself, waiting
// as every advance does for the threads it wakes to settle.
void AdvanceBySleepsOfThisThread();

}  // namespace plat::clock
