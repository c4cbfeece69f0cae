// What the processor running the tests offers, asked without the program's
// own code, so that a wrong answer there shows.
#pragma once

bool processor_has_avx2();
