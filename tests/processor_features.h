// What the processor running the tests offers, asked without the program's
// own code, so that a wrong answer there shows.
#pragma once

bool processor_has_avx2();
// AVX2 on x86-64; on 64-bit ARM always, since every such processor has NEON.
bool processor_runs_vector_form();
