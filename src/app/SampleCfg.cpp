#include "app/SampleCfg.h"

namespace k7 {

QStringList SampleCfgLines()
{
    return {
        QStringLiteral("'This is a sample configuration file."),
        QStringLiteral("'Modify as necessary.  Only the K7 section and one variable are required."),
        QStringLiteral("'After you have the basic structure,"),
        QStringLiteral("'you can modify the properties of each variable with the View Properties pull-down menu in the main part of the program."),
        QString(),
        QStringLiteral("[k7]"),
        QStringLiteral("File=Data"),
        QString(),
        QStringLiteral("[VAR1]"),
        QStringLiteral("Type=text"),
        QStringLiteral("Prompt=Enter the artiface ID :"),
        QStringLiteral("Unique=Yes"),
        QStringLiteral("Length=20"),
        QString(),
        QStringLiteral("[VAR2]"),
        QStringLiteral("Type=menu"),
        QStringLiteral("Menu=Ceramic Lithic Bone"),
        QStringLiteral("Prompt=Select the artifact type :"),
        QString(),
        QStringLiteral("[VAR3]"),
        QStringLiteral("Type=Menu"),
        QStringLiteral("Menu=Crudeware Niceware"),
        QStringLiteral("Condition1=Var2 Ceramic"),
        QStringLiteral("Prompt=Select the ceramic type :"),
        QString(),
        QStringLiteral("[VAR4]"),
        QStringLiteral("Type=Menu"),
        QStringLiteral("Menu=Tool Core Flake Debris"),
        QStringLiteral("Condition1=Var2 Lithic"),
        QStringLiteral("Prompt=Select the lithic type type :"),
        QString(),
        QStringLiteral("[VAR5]"),
        QStringLiteral("Type=Numeric"),
        QStringLiteral("Condition1=Var2 Ceramic"),
        QStringLiteral("Prompt=How many sherds are there ?"),
        QString(),
        QStringLiteral("[VAR6]"),
        QStringLiteral("Type=Numeric"),
        QStringLiteral("Condition1=Var2 Lithic AND"),
        QStringLiteral("Condition2=Var4 Tool"),
        QStringLiteral("Prompt=Measure the artifact length :"),
    };
}

}  // namespace k7
