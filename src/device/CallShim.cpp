// The 32-bit call of a library entry point that works with either calling convention: the
// stack pointer is kept in a register that both conventions preserve, and restored after.
#if defined(_WIN32) && defined(__i386__)

asm(R"(
    .text
    .globl _zolvan_call_any_convention
    .def _zolvan_call_any_convention; .scl 2; .type 32; .endef
_zolvan_call_any_convention:
    pushl %ebp
    movl %esp, %ebp
    pushl %esi
    movl %esp, %esi
    movl 16(%ebp), %ecx
    movl 12(%ebp), %edx
1:
    testl %ecx, %ecx
    jz 2f
    decl %ecx
    pushl (%edx,%ecx,4)
    jmp 1b
2:
    call *8(%ebp)
    movl %esi, %esp
    popl %esi
    popl %ebp
    ret
)");

#endif
