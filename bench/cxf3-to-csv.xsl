<?xml version="1.0" encoding="UTF-8"?>
<!-- The CxF3-to-CSV job as an operator would script it without kalidor-convert: one line
     "name,L,a,b" per named object of the first ObjectCollection whose name starts with
     KALIDOR, from its first ColorCIELab, values trimmed, CR LF, Windows-1252. -->
<xsl:stylesheet version="1.0"
    xmlns:xsl="http://www.w3.org/1999/XSL/Transform"
    xmlns:cc="http://colorexchangeformat.com/CxF3-core">
  <xsl:output method="text" encoding="windows-1252"/>

  <xsl:template match="/">
    <xsl:for-each select="/cc:CxF/cc:Resources[1]/cc:ObjectCollection[1]/*[@Name]">
      <xsl:if test="starts-with(@Name, 'KALIDOR')">
        <xsl:variable name="lab" select="cc:ColorValues[1]/cc:ColorCIELab[1]"/>
        <xsl:value-of select="@Name"/>
        <xsl:text>,</xsl:text>
        <xsl:value-of select="normalize-space($lab/cc:L[1])"/>
        <xsl:text>,</xsl:text>
        <xsl:value-of select="normalize-space($lab/cc:A[1])"/>
        <xsl:text>,</xsl:text>
        <xsl:value-of select="normalize-space($lab/cc:B[1])"/>
        <xsl:text>&#13;&#10;</xsl:text>
      </xsl:if>
    </xsl:for-each>
  </xsl:template>
</xsl:stylesheet>
