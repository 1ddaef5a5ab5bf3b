#!/usr/bin/env bash
# The shared library exports the documented interface and nothing of its internals.
set -euo pipefail
lib=$1
symbols=$(nm -DC --defined-only "$lib" | awk '{ $1=""; $2=""; print substr($0, 3) }')

fail=0
# Internals live in namespace zol (and the standard library's instantiations must not leak either).
leaks=$(echo "$symbols" | grep -E '(^|[^a-zA-Z_])zol::|^std::|^__gnu_cxx::' || true)
if [ -n "$leaks" ]; then
    echo "internal symbols exported:"; echo "$leaks" | head -20; fail=1
fi
for wanted in "ZOLCommandFactory::CreateInstance" "CZOLCommandBuilder::GetCommand()" \
              "CZOLCommandBuilder::GetCommandPacketSize()" "CZOLCommandBuilder::AppendPacket" \
              "CZOLCommandBuilder::MakeGetSysHealthStatusCommand" "CZOLCommandBuilder::MakeGetLEDProductInfoCommand" \
              "CZOLCommandBuilder::MakeSetLEDProductInfoCommand" "CZOLSystemHelper::" "CZOLNetworkHelper::" \
              "IZOLConnectionPoolFactory::CreateInstance" "IZOLConnectionPoolFactory::DeleteInstance" \
              "IZOLConnectionPoolFactory::m_CONNPOOLFACTORY_CRITICAL_SECTION" \
              "IZOLCommandHandlerFactory::CreateInstance" "IZOLCommandHandlerFactory::DeleteInstance" \
              "IZOLCommandFactory::CreateInstance" "ICommunicationHelperFactory::CreateInstance" \
              "ICommunicationHelperExtendedFactory::CreateInstance"; do
    if ! echo "$symbols" | grep -F "$wanted" >/dev/null; then
        echo "missing export: $wanted"; fail=1
    fi
done
# The version call is a C function: its name is not mangled.
c_names=$(nm -D --defined-only "$lib" | awk '{ print $3 }')
if ! echo "$c_names" | grep -x "ZOLGetLibraryVersion" >/dev/null; then
    echo "missing C export: ZOLGetLibraryVersion"; fail=1
fi
echo "$(echo "$symbols" | wc -l) exported symbols"
exit $fail
